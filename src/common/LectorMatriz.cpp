#include "common/LectorMatriz.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace velqor::zev {

namespace {

// The tag, the length digits and the "/" must lie within this many characters.
constexpr std::size_t kVentanaBarra = 20;

// The number an "N" value text holds, as std::from_chars reads it. A plain decimal of up to 15
// digits (the usual case) is read here: its digits form an exact whole number, and one division by
// an exact power of ten rounds once, as a correct reading does.
bool TextoANumero(std::string_view texto, double& numero) {
    constexpr double kPotencias10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negativo = !texto.empty() && texto[0] == '-';
    int64_t entero = 0;
    int cifras = 0;
    int decimales = -1;  // none before the point
    bool llano = true;
    for (std::size_t i = negativo ? 1 : 0; i < texto.size() && llano; ++i) {
        const char c = texto[i];
        if (c >= '0' && c <= '9') {
            entero = entero * 10 + (c - '0');
            ++cifras;
            decimales += decimales >= 0 ? 1 : 0;
        } else {
            llano = c == '.' && decimales < 0;
            decimales = 0;
        }
    }
    if (llano && cifras > 0 && cifras <= 15) {
        const double magnitud = static_cast<double>(entero) / kPotencias10[std::max(decimales, 0)];
        numero = negativo ? -magnitud : magnitud;
        return true;
    }
    const char* fin = texto.data() + texto.size();
    const auto r = std::from_chars(texto.data(), fin, numero);
    return !texto.empty() && r.ec == std::errc{} && r.ptr == fin;
}

// The value of a non-array element from its tag and value text.
bool Convierte(char etiqueta, std::string_view texto, Valor& valor) {
    switch (etiqueta) {
        case 'T':
            valor = Valor::Texto(std::string(texto));
            return true;
        case 'N': {
            double numero = 0;
            if (!TextoANumero(texto, numero)) {
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

}  // namespace

LectorMatriz::LectorMatriz(std::string_view texto)
    : texto_(texto),
      bytes_(reinterpret_cast<const unsigned char*>(texto.data())),
      recorrido_(texto.empty() ? 0 : bytes_[0]) {}

bool LectorMatriz::Lee(Valor& matriz) {
    return LeeMatriz(std::numeric_limits<int64_t>::max(), 1, matriz);
}

// Reads one array (header, entries, checksums) at the position, not past the character limite.
bool LectorMatriz::LeeMatriz(int64_t limite, int profundidad, Valor& matriz) {
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
    const auto limiteSuperior = static_cast<int64_t>(cota);
    matriz = Valor::Matriz({});
    Lista& lista = matriz.ComoLista();
    // Room for the entries the bound announces, but never for more than the rest of the text can
    // hold (an element takes at least three characters), so a hostile bound claims no memory.
    const auto restantes = static_cast<int64_t>(texto_.size() - std::min(byte_, texto_.size()));
    lista.reserve(static_cast<std::size_t>(
        std::min<int64_t>(limiteSuperior + 1, std::min(limite - caracter_, restantes) / 3)));
    SumasMatriz sumas;
    for (int64_t i = 0; i <= limiteSuperior; ++i) {
        Valor& entrada = lista.emplace_back();
        SumasTexto valor;
        if (!LeeElemento(limite, profundidad, entrada, valor) || !sumas.Suma(valor)) {
            lista.pop_back();
            return false;
        }
    }
    double saltos = 0;
    double codigos = 0;
    return LeeNumero(limite, saltos) && saltos == static_cast<double>(sumas.saltos) &&
           LeeNumero(limite, codigos) && codigos == static_cast<double>(sumas.codigos);
}

// Reads the front of the element at the position (tag, length in characters, "/") and takes its
// characters; false unless the announced value fits before limite.
bool LectorMatriz::LeeFrente(int64_t limite, char& etiqueta, int64_t& longitud) {
    if (caracter_ >= limite || byte_ >= texto_.size()) {
        return false;
    }
    etiqueta = texto_[byte_];
    switch (etiqueta) {
        case 'N':
        case 'T':
        case 'F':
        case 'L':
        case 'E':
        case 'Z':
        case 'A':
            break;
        default:
            return false;
    }
    // Tag, length digits and "/" are ASCII in any element that can be read.
    recorrido_.Agrega(bytes_[byte_]);
    longitud = 0;
    std::size_t i = 1;
    for (;; ++i) {
        if (i >= kVentanaBarra || caracter_ + static_cast<int64_t>(i) >= limite ||
            byte_ + i >= texto_.size()) {
            return false;
        }
        const unsigned char c = bytes_[byte_ + i];
        recorrido_.Agrega(c);
        if (c == kBarra) {
            break;
        }
        if (c < '0' || c > '9') {
            return false;
        }
        longitud = longitud * 10 + (c - '0');
    }
    byte_ += i + 1;
    caracter_ += static_cast<int64_t>(i) + 1;
    return i > 1 && longitud <= limite - caracter_;
}

// Takes the next `longitud` characters as one value text and describes it in valor.
bool LectorMatriz::LeeValor(int64_t longitud, Valor1252& valor) {
    valor = {};
    if (longitud == 0) {
        return true;
    }
    // Every character takes at least one byte.
    if (static_cast<uint64_t>(longitud) > texto_.size() - byte_) {
        return false;
    }
    const auto n = static_cast<std::size_t>(longitud);
    if (ValorAscii(bytes_ + byte_, n, valor)) {
        byte_ += n;
    } else {
        valor = {};
        valor.primero = CodigoSiguiente(texto_, byte_);
        Recorrido recorrido(valor.primero);
        recorrido.Agrega(valor.primero);
        for (int64_t k = 1; k < longitud; ++k) {
            if (byte_ >= texto_.size()) {
                return false;
            }
            recorrido.Agrega(CodigoSiguiente(texto_, byte_));
        }
        valor.sumas = recorrido.sumas;
        valor.ultimo = recorrido.ultimo;
        valor.caracteres = longitud;
    }
    caracter_ += longitud;
    valor.AgregaA(recorrido_);
    return true;
}

// Reads the element at the position into valor and answers the sums of its value text.
bool LectorMatriz::LeeElemento(int64_t limite, int profundidad, Valor& valor, SumasTexto& sumas) {
    char etiqueta = 0;
    int64_t longitud = 0;
    if (!LeeFrente(limite, etiqueta, longitud)) {
        return false;
    }
    if (etiqueta == 'A') {
        // The nested array, then whatever its element holds after the nested checksums.
        const int64_t fin = caracter_ + longitud;
        const SumasTexto antes = recorrido_.sumas;
        const int primero = byte_ < texto_.size() ? bytes_[byte_] : 0;
        Valor1252 resto;
        if (!LeeMatriz(fin, profundidad + 1, valor) || !LeeValor(fin - caracter_, resto)) {
            return false;
        }
        // The running sums since the "/", less the step from the "/" into the value.
        sumas.codigos = recorrido_.sumas.codigos - antes.codigos;
        sumas.saltos = recorrido_.sumas.saltos - antes.saltos - Salto(kBarra, primero);
        return true;
    }
    const std::size_t inicio = byte_;
    Valor1252 leido;
    if (!LeeValor(longitud, leido) ||
        !Convierte(etiqueta, texto_.substr(inicio, byte_ - inicio), valor)) {
        return false;
    }
    sumas = leido.sumas;
    return true;
}

// Reads an "N" element holding a number (a header or a checksum); its value text must keep the
// 32-bit sums as any other.
bool LectorMatriz::LeeNumero(int64_t limite, double& numero) {
    char etiqueta = 0;
    int64_t longitud = 0;
    if (!LeeFrente(limite, etiqueta, longitud) || etiqueta != 'N') {
        return false;
    }
    const std::size_t inicio = byte_;
    Valor1252 valor;
    SumasMatriz propias;
    return LeeValor(longitud, valor) && propias.Suma(valor.sumas) &&
           TextoANumero(texto_.substr(inicio, byte_ - inicio), numero);
}

}  // namespace velqor::zev
