#include "common/ZEVmat3.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "common/General.h"
#include "common/Proceso.h"
#include "common/Texto1252.h"

namespace velqor {

namespace {

// Deepest nesting written or read; deeper texts fail instead of exhausting the stack.
constexpr int kProfundidadMaxima = 1000;
// The tag, the length digits and the "/" must lie within this many characters.
constexpr int kVentanaBarra = 20;
constexpr int64_t kMaximoSuma = std::numeric_limits<int32_t>::max();
constexpr std::string_view kFormaFecha = "yyyy-mm-dd hh:nn:ss";

// What the checksums need to know of a stretch of text: its characters, the sum of their codes,
// the sum of the steps between neighbours, and the first and last codes (so that two stretches
// can be joined without looking at their characters again).
struct Resumen {
    int64_t caracteres = 0;
    int64_t codigos = 0;
    int64_t saltos = 0;
    int primero = 0;
    int ultimo = 0;

    void AgregaCodigo(int codigo) {
        if (caracteres > 0) {
            saltos += std::abs(codigo - ultimo);
        } else {
            primero = codigo;
        }
        ultimo = codigo;
        codigos += codigo;
        ++caracteres;
    }

    void Agrega(const Resumen& otro) {
        if (otro.caracteres == 0) {
            return;
        }
        if (caracteres > 0) {
            saltos += std::abs(otro.primero - ultimo);
        } else {
            primero = otro.primero;
        }
        ultimo = otro.ultimo;
        codigos += otro.codigos;
        saltos += otro.saltos;
        caracteres += otro.caracteres;
    }
};

// The code of the character at byte pos, moving pos past it (ASCII without a call).
inline int CodigoSiguiente(std::string_view utf8, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte;
    }
    return Codigo1252(SiguienteCaracter(utf8, pos));
}

Resumen ResumenDe(std::string_view utf8) {
    Resumen r;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        r.AgregaCodigo(CodigoSiguiente(utf8, pos));
    }
    return r;
}

// The two checksums of one array level, kept within a signed 32-bit range.
struct Sumas {
    int64_t saltos = 0;
    int64_t codigos = 0;

    // Adds one value text; false when a sum would leave the 32-bit range.
    bool Suma(const Resumen& valor) {
        if (valor.saltos > kMaximoSuma - saltos || valor.codigos > kMaximoSuma - codigos) {
            return false;
        }
        saltos += valor.saltos;
        codigos += valor.codigos;
        return true;
    }
};

// The tag of a value that is not an array; nothing for a kind the text cannot hold.
std::optional<char> Etiqueta(const Valor& v) {
    switch (v.tipo()) {
        case Valor::Tipo::Null: return 'Z';
        case Valor::Tipo::String: return 'T';
        case Valor::Tipo::Date: return 'F';
        case Valor::Tipo::Boolean: return 'L';
        case Valor::Tipo::Integer:
        case Valor::Tipo::Single:
        case Valor::Tipo::Double:
        case Valor::Tipo::Long:
        case Valor::Tipo::Decimal:
        case Valor::Tipo::Byte: return 'N';
        case Valor::Tipo::Empty: return 'E';
        default: return std::nullopt;
    }
}

// The value text of a value that is not an array (a String is answered without a copy).
std::string_view TextoValor(const Valor& v, std::string& espacio) {
    switch (v.tipo()) {
        case Valor::Tipo::String:
            return v.ComoTexto();
        case Valor::Tipo::Date:
            espacio = Formatea(v.ComoFecha(), kFormaFecha);
            return espacio;
        case Valor::Tipo::Boolean:
            return v.ComoLogico() ? "1" : "0";
        case Valor::Tipo::Null:
        case Valor::Tipo::Empty:
            return {};
        default:
            espacio = NumeroATexto(v.ComoDoble(), v.tipo() == Valor::Tipo::Single ? 7 : 15);
            return espacio;
    }
}

// The characters of an element's front part: tag, length digits and "/".
std::string Cabecera(char etiqueta, int64_t caracteres) {
    std::string cabecera(1, etiqueta);
    cabecera += std::to_string(caracteres);
    cabecera += '/';
    return cabecera;
}

// Writes an array in two passes: the first measures every level (its text's length and its
// checksums) without building text, the second writes straight into the result. Each character
// is thus produced once, however deep the nesting.
class Escritor {
public:
    bool Escribe(const Lista& lista, std::string& texto) {
        std::size_t entradaFallida = lista.size();
        Resumen total;
        const bool completo = Mide(lista, 1, total, entradaFallida);
        texto.reserve(static_cast<std::size_t>(total.caracteres));
        std::size_t siguiente = 0;
        Vuelca(lista, completo ? lista.size() : entradaFallida, completo, texto, siguiente);
        return completo;
    }

private:
    struct Medida {
        int64_t caracteres = 0;
        Sumas sumas;
    };
    // One entry per array level, in the order the levels are entered.
    std::vector<Medida> medidas_;

    static void AgregaElemento(Resumen& total, char etiqueta, const Resumen& valor) {
        total.Agrega(ResumenDe(Cabecera(etiqueta, valor.caracteres)));
        total.Agrega(valor);
    }

    static void AgregaNumero(Resumen& total, int64_t numero) {
        AgregaElemento(total, 'N', ResumenDe(NumeroATexto(static_cast<double>(numero))));
    }

    // Measures lista's text into total; on failure names the entry of this level that failed.
    bool Mide(const Lista& lista, int profundidad, Resumen& total, std::size_t& entradaFallida) {
        if (profundidad > kProfundidadMaxima) {
            return false;
        }
        const std::size_t nivel = medidas_.size();
        medidas_.emplace_back();
        Sumas sumas;
        AgregaNumero(total, static_cast<int64_t>(lista.size()) - 1);
        std::string espacio;
        for (std::size_t i = 0; i < lista.size(); ++i) {
            const Valor& v = lista[i];
            Resumen valor;
            if (v.EsMatriz()) {
                std::size_t interna = 0;
                if (!Mide(v.ComoLista(), profundidad + 1, valor, interna)) {
                    entradaFallida = i;
                    return false;
                }
                AgregaElemento(total, 'A', valor);
            } else {
                const std::optional<char> etiqueta = Etiqueta(v);
                if (!etiqueta) {
                    MuestraMensaje("Esta versión de " + NombreEjecutable() +
                                   " no puede transformar matrices con datos de tipo: " +
                                   std::string(v.NombreTipo()));
                    entradaFallida = i;
                    return false;
                }
                valor = ResumenDe(TextoValor(v, espacio));
                AgregaElemento(total, *etiqueta, valor);
            }
            if (!sumas.Suma(valor)) {
                entradaFallida = i;
                return false;
            }
        }
        AgregaNumero(total, sumas.saltos);
        AgregaNumero(total, sumas.codigos);
        medidas_[nivel] = {total.caracteres, sumas};
        return true;
    }

    // Writes the header and the first `entradas` entries of lista, and the checksums when completo.
    void Vuelca(const Lista& lista, std::size_t entradas, bool completo, std::string& texto,
                std::size_t& siguiente) {
        const Medida medida = medidas_[siguiente++];
        EscribeNumero(texto, static_cast<int64_t>(lista.size()) - 1);
        std::string espacio;
        for (std::size_t i = 0; i < entradas; ++i) {
            const Valor& v = lista[i];
            if (v.EsMatriz()) {
                texto += Cabecera('A', medidas_[siguiente].caracteres);
                Vuelca(v.ComoLista(), v.ComoLista().size(), true, texto, siguiente);
            } else {
                EscribeElemento(texto, *Etiqueta(v), TextoValor(v, espacio));
            }
        }
        if (completo) {
            EscribeNumero(texto, medida.sumas.saltos);
            EscribeNumero(texto, medida.sumas.codigos);
        }
    }

    static void EscribeElemento(std::string& texto, char etiqueta, std::string_view valor) {
        texto += Cabecera(etiqueta, ResumenDe(valor).caracteres);
        texto += valor;
    }

    static void EscribeNumero(std::string& texto, int64_t numero) {
        EscribeElemento(texto, 'N', NumeroATexto(static_cast<double>(numero)));
    }
};

// Reads array text. Positions carry both the byte offset and the character index; a nested
// array is read in place, bounded by its element's announced length, and reports the checksum
// facts of what it consumed so the enclosing level need not look at those characters again.
class Lector {
public:
    explicit Lector(std::string_view texto) : texto_(texto) {}

    struct Posicion {
        std::size_t byte = 0;
        int64_t caracter = 0;
    };

    // Reads one array (header, entries, checksums) from pos, not past the character `limite`.
    bool LeeMatriz(Posicion& pos, int64_t limite, int profundidad, Valor& matriz, Resumen& leido) {
        if (profundidad > kProfundidadMaxima) {
            return false;
        }
        Sumas auxiliares;
        Valor cabecera;
        int64_t limiteSuperior = 0;
        if (!LeeElemento(pos, limite, profundidad, cabecera, auxiliares, leido) ||
            !ComoEntero(cabecera, limiteSuperior) || limiteSuperior < 0) {
            return false;
        }
        Lista lista;
        // Entries are added as they are read, so a hostile bound cannot claim memory up front.
        lista.reserve(static_cast<std::size_t>(std::min<int64_t>(limiteSuperior + 1, 1024)));
        Sumas sumas;
        for (int64_t i = 0; i <= limiteSuperior; ++i) {
            Valor entrada;
            if (!LeeElemento(pos, limite, profundidad, entrada, sumas, leido)) {
                matriz = Valor::Matriz(std::move(lista));
                return false;
            }
            lista.push_back(std::move(entrada));
        }
        matriz = Valor::Matriz(std::move(lista));
        return LeeSuma(pos, limite, profundidad, sumas.saltos, leido) &&
               LeeSuma(pos, limite, profundidad, sumas.codigos, leido);
    }

private:
    std::string_view texto_;

    bool QuedaCaracter(const Posicion& pos, int64_t limite) const {
        return pos.caracter < limite && pos.byte < texto_.size();
    }

    // Moves pos forward by n characters, adding them to resumen; false when fewer remain.
    bool Avanza(Posicion& pos, int64_t n, int64_t limite, Resumen& resumen) const {
        for (int64_t i = 0; i < n; ++i) {
            if (!QuedaCaracter(pos, limite)) {
                return false;
            }
            resumen.AgregaCodigo(CodigoSiguiente(texto_, pos.byte));
            ++pos.caracter;
        }
        return true;
    }

    // The whole number a header or checksum element holds (numbers only, rounded to even).
    static bool ComoEntero(const Valor& v, int64_t& entero) {
        if (!v.EsNumero()) {
            return false;
        }
        const double redondeado = std::nearbyint(v.ComoDoble());
        if (!(redondeado >= std::numeric_limits<int32_t>::min() &&
              redondeado <= std::numeric_limits<int32_t>::max())) {
            return false;
        }
        entero = static_cast<int64_t>(redondeado);
        return true;
    }

    bool LeeSuma(Posicion& pos, int64_t limite, int profundidad, int64_t esperada, Resumen& leido) {
        Sumas auxiliares;
        Valor suma;
        return LeeElemento(pos, limite, profundidad, suma, auxiliares, leido) && suma.EsNumero() &&
               suma.ComoDoble() == static_cast<double>(esperada);
    }

    static bool LeeNumero(std::string_view texto, double& numero) {
        const char* fin = texto.data() + texto.size();
        const auto r = std::from_chars(texto.data(), fin, numero);
        return !texto.empty() && r.ec == std::errc{} && r.ptr == fin;
    }

    // Reads the element whose tag is at pos into valor, adds its value text to sumas and all its
    // characters to leido, and moves pos past it.
    bool LeeElemento(Posicion& pos, int64_t limite, int profundidad, Valor& valor, Sumas& sumas,
                     Resumen& leido) {
        const Posicion inicio = pos;
        Posicion barra = pos;
        bool hallada = false;
        Resumen frente;
        for (int i = 0; i < kVentanaBarra && QuedaCaracter(barra, limite); ++i) {
            if (texto_[barra.byte] == '/') {
                hallada = i > 0;
                break;
            }
            Avanza(barra, 1, limite, frente);
        }
        if (!hallada) {
            return false;
        }
        const std::string_view cifras = texto_.substr(inicio.byte + 1, barra.byte - inicio.byte - 1);
        int64_t longitud = 0;
        for (const char c : cifras) {
            if (c < '0' || c > '9') {
                return false;
            }
            longitud = longitud * 10 + (c - '0');
        }
        if (cifras.empty()) {
            return false;
        }
        Posicion fin = barra;
        Avanza(fin, 1, limite, frente);
        const Posicion comienzoValor = fin;
        if (longitud > limite - comienzoValor.caracter) {
            return false;
        }

        Resumen resumenValor;
        const char etiqueta = texto_[inicio.byte];
        if (etiqueta == 'A') {
            valor = Valor{};
            Valor interna;
            const int64_t finValor = comienzoValor.caracter + longitud;
            if (!LeeMatriz(fin, finValor, profundidad + 1, interna, resumenValor) ||
                !Avanza(fin, finValor - fin.caracter, finValor, resumenValor)) {
                return false;
            }
            valor = std::move(interna);
        } else {
            if (!Avanza(fin, longitud, limite, resumenValor)) {
                return false;
            }
            const std::string_view texto =
                texto_.substr(comienzoValor.byte, fin.byte - comienzoValor.byte);
            if (!Convierte(etiqueta, texto, valor)) {
                return false;
            }
        }
        if (!sumas.Suma(resumenValor)) {
            return false;
        }
        leido.Agrega(frente);
        leido.Agrega(resumenValor);
        pos = fin;
        return true;
    }

    static bool Convierte(char etiqueta, std::string_view texto, Valor& valor) {
        switch (etiqueta) {
            case 'T':
                valor = Valor::Texto(std::string(texto));
                return true;
            case 'N': {
                double numero = 0;
                if (!LeeNumero(texto, numero)) {
                    return false;
                }
                valor = Valor::Doble(numero);
                return true;
            }
            case 'F': {
                Momento fecha;
                if (!LeeMomento(texto, fecha)) {
                    return false;
                }
                valor = Valor::Fecha(fecha);
                return true;
            }
            case 'L':
                valor = Valor::Logico(texto != "0");
                return true;
            case 'E':
                valor = Valor{};
                return true;
            case 'Z':
                valor = Valor::Nulo();
                return true;
            default:
                return false;
        }
    }
};

}  // namespace

bool MatrizATexto(const Valor& matriz, std::string& texto) {
    texto.clear();
    if (!matriz.EsMatriz()) {
        return false;
    }
    try {
        Escritor escritor;
        return escritor.Escribe(matriz.ComoLista(), texto);
    } catch (...) {
        return false;
    }
}

bool TextoAMatriz(std::string_view texto, Valor& matriz) {
    try {
        Lector lector(texto);
        Lector::Posicion pos;
        Resumen leido;
        Valor resultado;
        const bool correcto =
            lector.LeeMatriz(pos, std::numeric_limits<int64_t>::max(), 1, resultado, leido);
        matriz = std::move(resultado);
        return correcto;
    } catch (...) {
        return false;
    }
}

}  // namespace velqor
