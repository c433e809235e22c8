#include "common/LectorMatriz.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace velqor::zev {

namespace {

// The tag, the length digits and the "/" must lie within this many characters.
constexpr std::size_t kVentanaBarra = 20;
// A length no text reaches (10^18 characters).
constexpr int64_t kLongitudImposible = 1'000'000'000'000'000'000;

// The value of a non-array element from its tag and value text.
bool Convierte(char etiqueta, std::string_view texto, Valor& valor) {
    switch (etiqueta) {
        case 'T':
            valor = Valor::Texto(std::string(texto));
            return true;
        case 'N': {
            double numero = 0;
            if (!LectorMatriz::TextoANumero(texto, numero)) {
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

// Whether etiqueta is the tag of an element holding a value (any element but a nested list).
bool EtiquetaDeValor(char etiqueta) {
    switch (etiqueta) {
        case 'N':
        case 'T':
        case 'F':
        case 'L':
        case 'E':
        case 'Z':
            return true;
        default:
            return false;
    }
}

// Within this many characters no sum of value texts can leave 32 bits (a code is at most 255).
constexpr int64_t kCaracteresSinDesborde = kMaximoSuma / 255;

}  // namespace

// As std::from_chars reads it. A plain decimal of up to 15
// digits (the usual case) is read here: its digits form an exact whole number, and one division by
// an exact power of ten rounds once, as a correct reading does.
bool LectorMatriz::TextoANumero(std::string_view texto, double& numero) {
    constexpr double kPotencias10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negativo = !texto.empty() && texto[0] == '-';
    // Eighteen characters at the most keep the whole number within 64 bits.
    if (texto.size() <= 18) {
        const auto cifra = [&texto](std::size_t i) { return static_cast<unsigned>(texto[i] - '0'); };
        std::size_t i = negativo ? 1 : 0;
        const std::size_t inicio = i;
        int64_t entero = 0;
        for (; i < texto.size() && cifra(i) < 10; ++i) {
            entero = entero * 10 + cifra(i);
        }
        std::size_t cifras = i - inicio;
        std::size_t decimales = 0;
        if (i < texto.size() && texto[i] == '.') {
            const std::size_t punto = ++i;
            for (; i < texto.size() && cifra(i) < 10; ++i) {
                entero = entero * 10 + cifra(i);
            }
            decimales = i - punto;
            cifras += decimales;
        }
        if (i == texto.size() && cifras > 0 && cifras <= 15) {
            const double magnitud = static_cast<double>(entero) / kPotencias10[decimales];
            numero = negativo ? -magnitud : magnitud;
            return true;
        }
    }
    const char* fin = texto.data() + texto.size();
    const auto r = std::from_chars(texto.data(), fin, numero);
    return !texto.empty() && r.ec == std::errc{} && r.ptr == fin;
}

LectorMatriz::LectorMatriz(std::string_view texto)
    : texto_(texto),
      bytes_(reinterpret_cast<const unsigned char*>(texto.data())),
      ascii_(EsAscii(texto)),
      ultimo_(texto.empty() ? 0 : bytes_[0]),
      recorrido_(ultimo_) {}

bool LectorMatriz::Lee(Valor& matriz) {
    Nivel nivel;
    return Abre(nivel) && LeeMatriz(nivel, matriz);
}

bool LectorMatriz::Abre(Nivel& nivel) {
    return AbreHasta(std::numeric_limits<int64_t>::max(), 1, nivel);
}

// Reads the header of the list at the position, which may not run past the character limite.
bool LectorMatriz::AbreHasta(int64_t limite, int profundidad, Nivel& nivel) {
    if (profundidad > kProfundidadMaxima) {
        return false;
    }
    // The header holds the upper bound, a whole number (rounded half to even) within 32 bits.
    double cabecera = 0;
    if (!LeeNumero(limite, cabecera)) {
        return false;
    }
    const double cota = std::nearbyint(cabecera);
    if (!(cota >= 0 && cota <= static_cast<double>(kMaximoSuma))) {
        return false;
    }
    nivel.limite = limite;
    nivel.profundidad = profundidad;
    nivel.cota = static_cast<int64_t>(cota);
    nivel.desde = caracter_;
    nivel.inicio = SumasHasta(byte_);
    nivel.frentes = {};
    return true;
}

// Reads the entries and checksums of the list nivel, just opened, into matriz.
bool LectorMatriz::LeeMatriz(Nivel& nivel, Valor& matriz) {
    matriz = Valor::Matriz({});
    Lista& lista = matriz.ComoLista();
    // Room for the entries the bound announces, but never for more than the rest of the text can
    // hold (an element takes at least three characters), so a hostile bound claims no memory.
    const auto restantes = static_cast<int64_t>(texto_.size() - std::min(byte_, texto_.size()));
    lista.reserve(static_cast<std::size_t>(
        std::min<int64_t>(nivel.cota + 1, std::min(nivel.limite - caracter_, restantes) / 3)));
    for (int64_t i = 0; i <= nivel.cota; ++i) {
        Valor& entrada = lista.emplace_back();
        Elemento elemento;
        bool leida = Siguiente(nivel, elemento);
        if (leida && elemento.etiqueta == 'A') {
            Nivel anidada;
            leida = Entra(nivel, elemento, anidada) && LeeMatriz(anidada, entrada) &&
                    Sale(nivel, elemento);
        } else if (leida) {
            leida = Convierte(elemento.etiqueta, elemento.texto, entrada);
        }
        if (!leida) {
            lista.pop_back();
            return false;
        }
    }
    return Cierra(nivel);
}

bool LectorMatriz::Siguiente(Nivel& nivel, Elemento& elemento) {
    int64_t longitud = 0;
    if (!LeeFrente(nivel.limite, elemento.etiqueta, longitud, nivel.frentes)) {
        return false;
    }
    if (elemento.etiqueta == 'A') {
        // The nested list (its header's tag comes first) is read by the caller.
        elemento.texto = {};
        elemento.fin = caracter_ + longitud;
        elemento.primero = byte_ < texto_.size() ? bytes_[byte_] : kBarra;
        return true;
    }
    const std::size_t inicio = byte_;
    int primero = kBarra;  // an empty value takes no step from the "/"
    if (!TomaValor(longitud, primero)) {
        return false;
    }
    elemento.texto = texto_.substr(inicio, byte_ - inicio);
    nivel.frentes.saltos += Salto(kBarra, primero);
    return SumasEnRango(nivel);
}

bool LectorMatriz::Entra(const Nivel& padre, const Elemento& elemento, Nivel& anidada) {
    return AbreHasta(elemento.fin, padre.profundidad + 1, anidada);
}

bool LectorMatriz::Sale(Nivel& padre, const Elemento& elemento) {
    // Whatever the element holds after the nested checksums.
    int resto = 0;
    if (!TomaValor(elemento.fin - caracter_, resto)) {
        return false;
    }
    padre.frentes.saltos += Salto(kBarra, elemento.primero);
    return SumasEnRango(padre);
}

bool LectorMatriz::Cierra(Nivel& nivel) {
    const SumasTexto sumas = SumasValores(nivel);
    double saltos = 0;
    double codigos = 0;
    return LeeNumero(nivel.limite, saltos) && saltos == static_cast<double>(sumas.saltos) &&
           LeeNumero(nivel.limite, codigos) && codigos == static_cast<double>(sumas.codigos);
}

namespace {

// The longest "A" entry LeePlana takes: far below the length at which a sum could leave 32 bits.
constexpr std::size_t kPlanaMaxima = 4096;

// Reads a front (tag, at most nine length digits, "/") at bytes[p], which must end before fin and
// announce a value that ends by fin too; moves p to the value's start. Adds the front's codes and
// its own steps to frente (not the step into it). Inlined: its results then stay in registers.
[[gnu::always_inline]] inline bool FrentePlano(const unsigned char* bytes, std::size_t& p,
                                               std::size_t fin, char& etiqueta,
                                               std::size_t& longitud, SumasTexto& frente) {
    if (fin - p < 3) {
        return false;
    }
    etiqueta = static_cast<char>(bytes[p]);
    int anterior = bytes[p];
    const int primera = bytes[p + 1];
    if (static_cast<unsigned>(primera - '0') > 9) {
        return false;
    }
    int64_t codigos = anterior + primera;
    int64_t saltos = Salto(anterior, primera);
    // The usual front: one digit.
    if (bytes[p + 2] == kBarra) {
        frente.codigos += codigos + kBarra;
        frente.saltos += saltos + Salto(primera, kBarra);
        longitud = static_cast<std::size_t>(primera - '0');
        p += 3;
        return longitud <= fin - p;
    }
    anterior = primera;
    longitud = static_cast<std::size_t>(primera - '0');
    std::size_t q = p + 2;
    for (; q < fin && q - p <= 9; ++q) {
        const int c = bytes[q];
        const auto cifra = static_cast<unsigned>(c - '0');
        if (cifra > 9) {
            break;
        }
        longitud = longitud * 10 + cifra;
        codigos += c;
        saltos += Salto(anterior, c);
        anterior = c;
    }
    if (q >= fin || bytes[q] != kBarra) {
        return false;
    }
    frente.codigos += codigos + kBarra;
    frente.saltos += saltos + Salto(anterior, kBarra);
    p = q + 1;
    return longitud <= fin - p;
}

// Whether the "N" value text texto holds the whole number esperado, as TextoANumero reads it.
bool NumeroIgual(std::string_view texto, int64_t esperado) {
    // Up to ten plain digits: the usual checksum, compared without a conversion.
    if (!texto.empty() && texto.size() <= 10) {
        int64_t numero = 0;
        std::size_t i = 0;
        for (; i < texto.size(); ++i) {
            const auto cifra = static_cast<unsigned>(texto[i] - '0');
            if (cifra > 9) {
                break;
            }
            numero = numero * 10 + cifra;
        }
        if (i == texto.size()) {
            return numero == esperado;
        }
    }
    double leido = 0;
    return LectorMatriz::TextoANumero(texto, leido) && leido == static_cast<double>(esperado);
}

}  // namespace

bool LectorMatriz::LeePlana(const Nivel& padre, int64_t cota, Plana& plana) const {
    if (!ascii_ || cota < 0 || cota >= Plana::kMaximo ||
        padre.profundidad + 1 > kProfundidadMaxima) {
        return false;
    }
    // In ASCII text a character is a byte: the parent's limit is a byte position too.
    const int64_t tope =
        std::min<int64_t>(padre.limite - caracter_, static_cast<int64_t>(texto_.size() - byte_));
    std::size_t p = byte_;
    char etiqueta = 0;
    std::size_t longitud = 0;
    SumasTexto frente;
    if (tope <= 0 ||
        !FrentePlano(bytes_, p, byte_ + static_cast<std::size_t>(tope), etiqueta, longitud,
                     frente) ||
        etiqueta != 'A' || longitud == 0 || longitud > kPlanaMaxima) {
        return false;
    }
    // The step into the front, and the one from its "/" into the nested text.
    frente.saltos += Salto(ultimo_, 'A') + Salto(kBarra, bytes_[p]);
    const std::size_t fin = p + longitud;
    // The header: exactly the digits of cota.
    char cifras[4];
    const auto cabecera = static_cast<std::size_t>(
        std::to_chars(cifras, cifras + sizeof cifras, cota).ptr - cifras);
    SumasTexto nada;
    if (!FrentePlano(bytes_, p, fin, etiqueta, longitud, nada) || etiqueta != 'N' ||
        std::string_view(texto_.data() + p, longitud) != std::string_view(cifras, cabecera)) {
        return false;
    }
    p += longitud;
    // The values, each summed on its own: the nested list's checksums cover its value texts.
    Recorrido sumas;
    for (int64_t i = 0; i <= cota; ++i) {
        Elemento& e = plana.valores[i];
        if (!FrentePlano(bytes_, p, fin, e.etiqueta, longitud, nada)) {
            return false;
        }
        if (!EtiquetaDeValor(e.etiqueta)) {
            return false;
        }
        e.texto = std::string_view(texto_.data() + p, longitud);
        if (longitud > 0) {
            // Each value on its own: no step runs from one into the next.
            sumas.ultimo = bytes_[p];
            if (longitud < 16) {
                for (std::size_t k = p; k < p + longitud; ++k) {
                    sumas.Agrega(bytes_[k]);
                }
            } else {
                AgregaAscii(bytes_, p, p + longitud, sumas);
            }
        }
        p += longitud;
    }
    // The two checksums, and nothing after them.
    for (const int64_t esperada : {sumas.sumas.saltos, sumas.sumas.codigos}) {
        if (!FrentePlano(bytes_, p, fin, etiqueta, longitud, nada) || etiqueta != 'N' ||
            !NumeroIgual(std::string_view(texto_.data() + p, longitud), esperada)) {
            return false;
        }
        p += longitud;
    }
    if (p != fin) {
        return false;
    }
    plana.byte = fin;
    plana.frente = frente;
    return true;
}

bool LectorMatriz::Avanza(Nivel& padre, const Plana& plana) {
    caracter_ += static_cast<int64_t>(plana.byte - byte_);
    byte_ = plana.byte;
    ultimo_ = bytes_[byte_ - 1];
    padre.frentes.codigos += plana.frente.codigos;
    padre.frentes.saltos += plana.frente.saltos;
    return SumasEnRango(padre);
}

// The sums of the value texts of nivel's entries so far: the running sums over the entries less
// their fronts.
SumasTexto LectorMatriz::SumasValores(const Nivel& nivel) {
    const SumasTexto ahora = SumasHasta(byte_);
    return {ahora.codigos - nivel.inicio.codigos - nivel.frentes.codigos,
            ahora.saltos - nivel.inicio.saltos - nivel.frentes.saltos};
}

// Whether nivel's sums still fit 32 bits after the entry just read. Past kCaracteresSinDesborde
// characters an entry may take a sum out of them: each one is checked from there on.
bool LectorMatriz::SumasEnRango(const Nivel& nivel) {
    if (caracter_ - nivel.desde <= kCaracteresSinDesborde) {
        return true;
    }
    const SumasTexto sumas = SumasValores(nivel);
    return sumas.codigos <= kMaximoSuma && sumas.saltos <= kMaximoSuma;
}

// Reads the front of the element at the position (tag, length in characters, "/"), adding its
// codes, the step into it and its own steps to frentes; false unless the announced value fits
// before limite.
bool LectorMatriz::LeeFrente(int64_t limite, char& etiqueta, int64_t& longitud,
                             SumasTexto& frentes) {
    if (caracter_ >= limite || byte_ >= texto_.size()) {
        return false;
    }
    etiqueta = texto_[byte_];
    if (!EtiquetaDeValor(etiqueta) && etiqueta != 'A') {
        return false;
    }
    // Tag, length digits and "/" are ASCII in any element that can be read.
    int anterior = bytes_[byte_];
    int64_t codigos = anterior;
    int64_t saltos = Salto(ultimo_, anterior);
    longitud = 0;
    // The "/" must come before the window, the limit and the text end, whichever is nearest.
    const std::size_t tope = static_cast<std::size_t>(std::min<int64_t>(
        {static_cast<int64_t>(kVentanaBarra), limite - caracter_,
         static_cast<int64_t>(texto_.size() - byte_)}));
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= tope) {
            return false;
        }
        const int c = bytes_[byte_ + i];
        codigos += c;
        saltos += Salto(anterior, c);
        anterior = c;
        if (c == kBarra) {
            break;
        }
        if (c < '0' || c > '9') {
            return false;
        }
        // A length of more digits than any text holds stays at a bound past every text.
        longitud = longitud >= kLongitudImposible / 10 ? kLongitudImposible
                                                       : longitud * 10 + (c - '0');
    }
    frentes.codigos += codigos;
    frentes.saltos += saltos;
    ultimo_ = kBarra;
    byte_ += i + 1;
    caracter_ += static_cast<int64_t>(i) + 1;
    return i > 1 && longitud <= limite - caracter_;
}

// Moves past the next `longitud` characters (a value text), answering the code of the first.
bool LectorMatriz::TomaValor(int64_t longitud, int& primero) {
    if (longitud == 0) {
        return true;
    }
    // Every character takes at least one byte.
    if (static_cast<uint64_t>(longitud) > texto_.size() - byte_) {
        return false;
    }
    const auto n = static_cast<std::size_t>(longitud);
    if (ascii_ || EsAscii(texto_.substr(byte_, n))) {
        primero = bytes_[byte_];
        byte_ += n;
        ultimo_ = bytes_[byte_ - 1];
    } else {
        primero = CodigoSiguiente(texto_, byte_);
        ultimo_ = primero;
        for (int64_t k = 1; k < longitud; ++k) {
            if (byte_ >= texto_.size()) {
                return false;
            }
            ultimo_ = CodigoSiguiente(texto_, byte_);
        }
    }
    caracter_ += longitud;
    return true;
}

// Reads an "N" element holding a number (a header or a checksum); its value text must keep the
// 32-bit sums as any other.
bool LectorMatriz::LeeNumero(int64_t limite, double& numero) {
    char etiqueta = 0;
    int64_t longitud = 0;
    SumasTexto frente;
    if (!LeeFrente(limite, etiqueta, longitud, frente) || etiqueta != 'N') {
        return false;
    }
    const std::size_t inicio = byte_;
    int primero = kBarra;
    if (!TomaValor(longitud, primero)) {
        return false;
    }
    if (longitud > kCaracteresSinDesborde) {
        const SumasTexto antes = SumasHasta(inicio);
        const SumasTexto despues = SumasHasta(byte_);
        if (despues.codigos - antes.codigos > kMaximoSuma ||
            despues.saltos - antes.saltos - Salto(kBarra, primero) > kMaximoSuma) {
            return false;
        }
    }
    return TextoANumero(texto_.substr(inicio, byte_ - inicio), numero);
}

// Brings the running sums up to byte, a character boundary at or after sumado_.
SumasTexto LectorMatriz::SumasHasta(std::size_t byte) {
    while (sumado_ < byte) {
        sumado_ = AgregaAscii(bytes_, sumado_, byte, recorrido_);
        if (sumado_ < byte) {
            recorrido_.Agrega(CodigoSiguiente(texto_, sumado_));
        }
    }
    return recorrido_.sumas;
}

}  // namespace velqor::zev
