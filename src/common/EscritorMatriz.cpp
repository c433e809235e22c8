#include "common/EscritorMatriz.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "common/General.h"
#include "common/Proceso.h"

namespace velqor::zev {

namespace {

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

// A number's text with the given significant digits. The largest doubles, whose rounded form lies
// past the largest finite value, are written with all 17 digits so that they read back.
std::string TextoNumero(double v, int digitos) {
    std::string texto = NumeroATexto(v, digitos);
    double leido = 0;
    if (std::isfinite(v) &&
        std::from_chars(texto.data(), texto.data() + texto.size(), leido).ec ==
            std::errc::result_out_of_range) {
        texto = NumeroATexto(v, 17);
    }
    return texto;
}

// Whether a date has the four-digit year the date form needs (years 0 to 9999).
bool FechaEscribible(Momento m) {
    return m >= HacerMomento(0, 1, 1) && m <= HacerMomento(9999, 12, 31, 23, 59, 59);
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
            espacio = TextoNumero(v.ComoDoble(), v.tipo() == Valor::Tipo::Single ? 7 : 15);
            return espacio;
    }
}

// The front of an element: tag, length in characters and "/".
std::string Cabecera(char etiqueta, int64_t caracteres) {
    std::string cabecera(1, etiqueta);
    cabecera += std::to_string(caracteres);
    cabecera += '/';
    return cabecera;
}

void AgregaElemento(ResumenTexto& total, char etiqueta, const ResumenTexto& valor) {
    total.Agrega(ResumenDe(Cabecera(etiqueta, valor.caracteres)));
    total.Agrega(valor);
}

void AgregaNumero(ResumenTexto& total, int64_t numero) {
    AgregaElemento(total, 'N', ResumenDe(NumeroATexto(static_cast<double>(numero))));
}

void EscribeElemento(std::string& texto, char etiqueta, std::string_view valor) {
    texto += Cabecera(etiqueta, ResumenDe(valor).caracteres);
    texto += valor;
}

void EscribeNumero(std::string& texto, int64_t numero) {
    EscribeElemento(texto, 'N', NumeroATexto(static_cast<double>(numero)));
}

}  // namespace

bool EscritorMatriz::Escribe(const Lista& lista, std::string& texto) {
    std::size_t entradaFallida = lista.size();
    ResumenTexto total;
    const bool completo = Mide(lista, 1, total, entradaFallida);
    texto.reserve(texto.size() + static_cast<std::size_t>(total.caracteres));
    std::size_t siguiente = 0;
    Vuelca(lista, completo ? lista.size() : entradaFallida, completo, texto, siguiente);
    return completo;
}

// Measures lista's text into total; on failure names the entry of this level that failed.
bool EscritorMatriz::Mide(const Lista& lista, int profundidad, ResumenTexto& total,
                          std::size_t& entradaFallida) {
    if (profundidad > kProfundidadMaxima) {
        return false;
    }
    const std::size_t nivel = medidas_.size();
    medidas_.emplace_back();
    SumasMatriz sumas;
    AgregaNumero(total, static_cast<int64_t>(lista.size()) - 1);
    std::string espacio;
    for (std::size_t i = 0; i < lista.size(); ++i) {
        const Valor& v = lista[i];
        ResumenTexto valor;
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
            if (v.tipo() == Valor::Tipo::Date && !FechaEscribible(v.ComoFecha())) {
                MuestraMensaje(Mensaje("This version of |1 cannot write dates outside the years 0 "
                                       "to 9999 as array text",
                                       {Valor::Texto(NombreEjecutable())}));
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
void EscritorMatriz::Vuelca(const Lista& lista, std::size_t entradas, bool completo,
                            std::string& texto, std::size_t& siguiente) const {
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

}  // namespace velqor::zev
