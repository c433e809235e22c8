#include "common/EscritorMatriz.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/General.h"
#include "common/Proceso.h"

namespace velqor::zev {

namespace {

// The longest front: a tag, the digits of a 64-bit length and the "/".
constexpr std::size_t kFrenteMaximo = 21;

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

// Room for the value text of a number or a date.
using Espacio = char[kLargoNumeroMaximo];

// A number's text with the given significant digits. The largest doubles, whose rounded form lies
// past the largest finite value, are written with all 17 digits so that they read back.
std::string_view TextoNumero(double v, int digitos, Espacio& espacio) {
    char* fin = NumeroATexto(v, digitos, espacio);
    double leido = 0;
    // Only a number this close to the largest double can round past it.
    if (std::isfinite(v) && std::fabs(v) > 1e308 &&
        std::from_chars(espacio, fin, leido).ec == std::errc::result_out_of_range) {
        fin = NumeroATexto(v, 17, espacio);
    }
    return {espacio, static_cast<std::size_t>(fin - espacio)};
}

// Whether a date has the four-digit year the date form needs (years 0 to 9999).
bool FechaEscribible(Momento m) {
    using namespace std::chrono;
    constexpr Momento kPrimera{local_days{year{0} / January / 1}};
    constexpr Momento kUltima{local_days{year{9999} / December / 31} + hours{23} + minutes{59} +
                              seconds{59}};
    return m >= kPrimera && m <= kUltima;
}

// A date of a four-digit year in the element's form (yyyy-mm-dd hh:nn:ss), digit by digit.
std::string_view TextoFecha(Momento fecha, Espacio& espacio) {
    const CamposMomento c = Campos(fecha);
    std::copy(kFormaFecha.begin(), kFormaFecha.end(), espacio);
    const auto pon = [&espacio](int desde, int cifras, long valor) {
        for (int i = desde + cifras - 1; i >= desde; --i, valor /= 10) {
            espacio[i] = static_cast<char>('0' + valor % 10);
        }
    };
    pon(0, 4, c.anio);
    pon(5, 2, c.mes);
    pon(8, 2, c.dia);
    pon(11, 2, c.hora);
    pon(14, 2, c.minuto);
    pon(17, 2, c.segundo);
    return {espacio, kFormaFecha.size()};
}

// The value text of a value that is neither an array nor a date (a String is answered without a
// copy).
std::string_view TextoValor(const Valor& v, Espacio& espacio) {
    switch (v.tipo()) {
        case Valor::Tipo::String:
            return v.ComoTexto();
        case Valor::Tipo::Boolean:
            return v.ComoLogico() ? "1" : "0";
        case Valor::Tipo::Null:
        case Valor::Tipo::Empty:
            return {};
        default:
            return TextoNumero(v.ComoDoble(), v.tipo() == Valor::Tipo::Single ? 7 : 15, espacio);
    }
}

// The facts of a value text.
Valor1252 Describe(std::string_view texto) {
    Valor1252 valor;
    if (texto.empty()) {
        return valor;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(texto.data());
    // A short text (a number, a date, a Boolean) a character at a time.
    if (texto.size() <= kFormaFecha.size()) {
        Recorrido recorrido(bytes[0]);
        unsigned altos = 0;
        for (std::size_t i = 0; i < texto.size(); ++i) {
            altos |= bytes[i];
            recorrido.Agrega(bytes[i]);
        }
        if (altos < 0x80) {
            return {recorrido.sumas, static_cast<int64_t>(texto.size()), bytes[0],
                    recorrido.ultimo};
        }
    } else if (ValorAscii(bytes, texto.size(), valor)) {
        return valor;
    }
    return ValorUtf8(texto);
}

}  // namespace

bool EscritorMatriz::Escribe(const Lista& lista, std::string& texto) {
    const bool completo = EscribeMatriz(lista, 1);
    Entrega(texto);
    return completo;
}

void EscritorMatriz::Entrega(std::string& texto) {
    // Closes the room the fronts left over in place, then hands the text over.
    std::size_t hasta = huecos_.empty() ? usado_ : huecos_.front().posicion;
    for (std::size_t i = 0; i < huecos_.size(); ++i) {
        const std::size_t desde = huecos_[i].posicion + huecos_[i].sobrante;
        const std::size_t fin = i + 1 < huecos_.size() ? huecos_[i + 1].posicion : usado_;
        std::memmove(texto_.data() + hasta, texto_.data() + desde, fin - desde);
        hasta += fin - desde;
    }
    huecos_.clear();
    texto_.resize(hasta);
    usado_ = hasta;
    if (texto.empty()) {
        texto.swap(texto_);
    } else {
        texto.append(texto_);
    }
    texto_.clear();
    usado_ = 0;
}

// Writes lista's text. On failure of an entry of the top level the text is cut back to before it.
bool EscritorMatriz::EscribeMatriz(const Lista& lista, int profundidad) {
    if (profundidad > kProfundidadMaxima) {
        return false;
    }
    Empieza(static_cast<int64_t>(lista.size()) - 1);
    SumasMatriz sumas;
    for (const Valor& v : lista) {
        const std::size_t usado = usado_;
        const std::size_t huecos = huecos_.size();
        if (!EscribeEntrada(v, profundidad, sumas)) {
            if (profundidad == 1) {
                usado_ = usado;
                huecos_.resize(huecos);
            }
            return false;
        }
    }
    Termina(sumas);
    return true;
}

// Writes one entry and adds the sums of its value text to sumas.
bool EscritorMatriz::EscribeEntrada(const Valor& v, int profundidad, SumasMatriz& sumas) {
    if (v.EsMatriz()) {
        const Anidada anidada = AbreAnidada();
        return EscribeMatriz(v.ComoLista(), profundidad + 1) && CierraAnidada(anidada, sumas);
    }
    const std::optional<char> etiqueta = Etiqueta(v);
    if (!etiqueta) {
        MuestraMensaje("Esta versión de " + NombreEjecutable() +
                       " no puede transformar matrices con datos de tipo: " +
                       std::string(v.NombreTipo()));
        return false;
    }
    if (v.tipo() == Valor::Tipo::Date) {
        return Fecha(v.ComoFecha(), sumas);
    }
    Espacio espacio;
    return Escalar(*etiqueta, TextoValor(v, espacio), sumas);
}

bool EscritorMatriz::Numero(double numero, SumasMatriz& sumas) {
    Espacio espacio;
    return Escalar('N', TextoNumero(numero, 15, espacio), sumas);
}

bool EscritorMatriz::Fecha(Momento fecha, SumasMatriz& sumas) {
    if (!FechaEscribible(fecha)) {
        MuestraMensaje(Mensaje("This version of |1 cannot write dates outside the years 0 "
                               "to 9999 as array text",
                               {Valor::Texto(NombreEjecutable())}));
        return false;
    }
    Espacio espacio;
    return Escalar('F', TextoFecha(fecha, espacio), sumas);
}

// Writes one element holding a value text and adds the text's sums to sumas.
bool EscritorMatriz::Escalar(char etiqueta, std::string_view texto, SumasMatriz& sumas) {
    const Valor1252 valor = Describe(texto);
    EscribeFrente(etiqueta, valor.caracteres);
    Asegura(texto.size());
    std::copy(texto.begin(), texto.end(), texto_.data() + usado_);
    usado_ += texto.size();
    valor.AgregaA(recorrido_);
    caracteres_ += valor.caracteres;
    return sumas.Suma(valor.sumas);
}

// Starts an "A" element: room for its front, whose length is known once the nested list is written.
EscritorMatriz::Anidada EscritorMatriz::AbreAnidada() {
    Asegura(kFrenteMaximo);
    Anidada anidada;
    anidada.hueco = huecos_.size();
    huecos_.push_back({usado_, 0});
    usado_ += kFrenteMaximo;
    // The front's tag and "/" go into the running sums now, its digits once they are known.
    recorrido_.Agrega('A');
    recorrido_.sumas.codigos += kBarra;
    recorrido_.ultimo = kBarra;
    caracteres_ += 2;
    anidada.antes = recorrido_.sumas;
    anidada.inicio = caracteres_;
    return anidada;
}

// Ends the "A" element whose nested list was just written: writes its front and adds the nested
// text's sums to sumas.
bool EscritorMatriz::CierraAnidada(const Anidada& anidada, SumasMatriz& sumas) {
    // The nested text starts with its header's "N".
    const SumasTexto valor{recorrido_.sumas.codigos - anidada.antes.codigos,
                           recorrido_.sumas.saltos - anidada.antes.saltos - Salto(kBarra, 'N')};

    char cifras[kFrenteMaximo];
    char* fin = std::to_chars(cifras, cifras + sizeof cifras, caracteres_ - anidada.inicio).ptr;
    const auto largo = static_cast<std::size_t>(fin - cifras);
    Hueco& h = huecos_[anidada.hueco];
    h.sobrante = kFrenteMaximo - largo - 2;
    char* frente = texto_.data() + h.posicion + h.sobrante;
    frente[0] = 'A';
    std::copy(cifras, fin, frente + 1);
    frente[largo + 1] = kBarra;
    int anterior = 'A';
    for (const char c : std::string_view(cifras, largo)) {
        recorrido_.sumas.codigos += c;
        recorrido_.sumas.saltos += Salto(anterior, c);
        anterior = c;
    }
    recorrido_.sumas.saltos += Salto(anterior, kBarra);
    caracteres_ += static_cast<int64_t>(largo);
    return sumas.Suma(valor);
}

// Writes an element's front: the tag, the value's length in characters and "/".
void EscritorMatriz::EscribeFrente(char etiqueta, int64_t caracteres) {
    Asegura(kFrenteMaximo);
    char* frente = texto_.data() + usado_;
    frente[0] = etiqueta;
    char* fin = std::to_chars(frente + 1, frente + kFrenteMaximo, caracteres).ptr;
    *fin++ = kBarra;
    EscribeAscii(frente, fin);
}

// Writes an "N" element holding a whole number (a header or a checksum).
void EscritorMatriz::EscribeEntero(int64_t numero) {
    char cifras[kFrenteMaximo];
    char* fin = std::to_chars(cifras, cifras + sizeof cifras, numero).ptr;
    EscribeFrente('N', fin - cifras);
    Asegura(kFrenteMaximo);
    std::copy(cifras, fin, texto_.data() + usado_);
    EscribeAscii(texto_.data() + usado_, texto_.data() + usado_ + (fin - cifras));
}

// Takes the ASCII characters just placed at the end of the text (from desde to hasta) into it.
void EscritorMatriz::EscribeAscii(const char* desde, const char* hasta) {
    for (const char* c = desde; c < hasta; ++c) {
        recorrido_.Agrega(static_cast<unsigned char>(*c));
    }
    usado_ += static_cast<std::size_t>(hasta - desde);
    caracteres_ += hasta - desde;
}

void EscritorMatriz::Crece(std::size_t n) {
    texto_.resize(std::max({2 * texto_.size(), usado_ + n, std::size_t{1} << 16}));
}

}  // namespace velqor::zev
