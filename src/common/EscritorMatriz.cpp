#include "common/EscritorMatriz.h"

#include <array>
#include <charconv>
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

// Room for the front of an element or the digits of a whole number.
using Espacio = std::array<char, 24>;

// The decimal digits of a whole number (the number's text for any header, length or checksum).
std::string_view Cifras(int64_t numero, Espacio& espacio) {
    const auto fin = std::to_chars(espacio.data(), espacio.data() + espacio.size(), numero).ptr;
    return {espacio.data(), static_cast<std::size_t>(fin - espacio.data())};
}

// The front of an element: tag, length in characters and "/".
std::string_view Cabecera(char etiqueta, int64_t caracteres, Espacio& espacio) {
    espacio[0] = etiqueta;
    auto fin = std::to_chars(espacio.data() + 1, espacio.data() + espacio.size(), caracteres).ptr;
    *fin++ = '/';
    return {espacio.data(), static_cast<std::size_t>(fin - espacio.data())};
}

void AgregaElemento(ResumenTexto& total, char etiqueta, const ResumenTexto& valor) {
    Espacio espacio;
    total.Agrega(ResumenDe(Cabecera(etiqueta, valor.caracteres, espacio)));
    total.Agrega(valor);
}

void AgregaNumero(ResumenTexto& total, int64_t numero) {
    Espacio espacio;
    AgregaElemento(total, 'N', ResumenDe(Cifras(numero, espacio)));
}

// The length of a value text in characters (its bytes when it is all ASCII).
int64_t Caracteres(std::string_view valor) {
    for (const char c : valor) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return ResumenDe(valor).caracteres;
        }
    }
    return static_cast<int64_t>(valor.size());
}

void EscribeElemento(std::string& texto, char etiqueta, std::string_view valor) {
    Espacio espacio;
    texto += Cabecera(etiqueta, Caracteres(valor), espacio);
    texto += valor;
}

void EscribeNumero(std::string& texto, int64_t numero) {
    Espacio espacio;
    EscribeElemento(texto, 'N', Cifras(numero, espacio));
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
            Espacio espacio;
            texto += Cabecera('A', medidas_[siguiente].caracteres, espacio);
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
