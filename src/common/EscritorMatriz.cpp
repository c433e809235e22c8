#include "common/EscritorMatriz.h"

#include <array>
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
        case Valor::Tipo::Null:
            return 'Z';
        case Valor::Tipo::String:
            return 'T';
        case Valor::Tipo::Date:
            return 'F';
        case Valor::Tipo::Boolean:
            return 'L';
        case Valor::Tipo::Integer:
        case Valor::Tipo::Single:
        case Valor::Tipo::Double:
        case Valor::Tipo::Long:
        case Valor::Tipo::Decimal:
        case Valor::Tipo::Byte:
            return 'N';
        case Valor::Tipo::Empty:
            return 'E';
        default:
            return std::nullopt;
    }
}

// A number's text with the given significant digits. The largest doubles, whose rounded form lies
// past the largest finite value, are written with all 17 digits so that they read back.
std::string TextoNumero(double v, int digitos) {
    std::string texto = NumeroATexto(v, digitos);
    double leido = 0;
    // Only a number this close to the largest double can round past it.
    if (std::isfinite(v) && std::fabs(v) > 1e308 &&
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

// A date in the element's form (yyyy-mm-dd hh:nn:ss), digit by digit for the usual years.
void FormateaFecha(Momento fecha, std::string& espacio) {
    const CamposMomento c = Campos(fecha);
    if (c.anio < 0 || c.anio > 9999) {
        espacio = Formatea(fecha, kFormaFecha);
        return;
    }
    char texto[] = "0000-00-00 00:00:00";
    const auto pon = [&texto](int desde, int cifras, long valor) {
        for (int i = desde + cifras - 1; i >= desde; --i, valor /= 10) {
            texto[i] = static_cast<char>('0' + valor % 10);
        }
    };
    pon(0, 4, c.anio);
    pon(5, 2, c.mes);
    pon(8, 2, c.dia);
    pon(11, 2, c.hora);
    pon(14, 2, c.minuto);
    pon(17, 2, c.segundo);
    espacio.assign(texto, sizeof texto - 1);
}

// The value text of a value that is not an array (a String is answered without a copy).
std::string_view TextoValor(const Valor& v, std::string& espacio) {
    switch (v.tipo()) {
        case Valor::Tipo::String:
            return v.ComoTexto();
        case Valor::Tipo::Date:
            FormateaFecha(v.ComoFecha(), espacio);
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
    Cursor siguiente;
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
                MuestraMensaje(
                    Mensaje("This version of |1 cannot write dates outside the years 0 "
                            "to 9999 as array text",
                            {Valor::Texto(NombreEjecutable())}));
                entradaFallida = i;
                return false;
            }
            const std::string_view texto = TextoValor(v, espacio);
            valor = ResumenDe(texto);
            AgregaElemento(total, *etiqueta, valor);
            if (v.tipo() != Valor::Tipo::String) {
                textos_.append(texto);
                largos_.push_back(static_cast<uint16_t>(texto.size()));
            }
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
                            std::string& texto, Cursor& siguiente) const {
    const Medida medida = medidas_[siguiente.nivel++];
    EscribeNumero(texto, static_cast<int64_t>(lista.size()) - 1);
    for (std::size_t i = 0; i < entradas; ++i) {
        const Valor& v = lista[i];
        if (v.EsMatriz()) {
            Espacio espacio;
            texto += Cabecera('A', medidas_[siguiente.nivel].caracteres, espacio);
            Vuelca(v.ComoLista(), v.ComoLista().size(), true, texto, siguiente);
        } else if (v.tipo() == Valor::Tipo::String) {
            EscribeElemento(texto, 'T', v.ComoTexto());
        } else {
            // Kept by the first pass, in the same order; these texts are ASCII.
            const std::size_t largo = largos_[siguiente.valor++];
            EscribeElemento(texto, *Etiqueta(v),
                            std::string_view(textos_).substr(siguiente.texto, largo));
            siguiente.texto += largo;
        }
    }
    if (completo) {
        EscribeNumero(texto, medida.sumas.saltos);
        EscribeNumero(texto, medida.sumas.codigos);
    }
}

}  // namespace velqor::zev
