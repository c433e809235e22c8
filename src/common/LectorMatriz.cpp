#include "common/LectorMatriz.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace velqor::zev {

namespace {

// The tag, the length digits and the "/" must lie within this many characters.
constexpr int kVentanaBarra = 20;
// The tags an element may carry.
constexpr std::string_view kEtiquetas = "NTFLEZA";

// The whole number a header or checksum element holds (numbers only, rounded half to even).
bool ComoEntero(const Valor& v, int64_t& entero) {
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

bool LeeNumero(std::string_view texto, double& numero) {
    // Whole numbers of up to 15 digits, the usual case, are exact in a double.
    if (!texto.empty() && texto.size() <= 15 &&
        std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int64_t entero = 0;
        for (const char c : texto) {
            entero = entero * 10 + (c - '0');
        }
        numero = static_cast<double>(entero);
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

}  // namespace

bool LectorMatriz::LeeMatriz(Posicion& pos, int64_t limite, int profundidad, Valor& matriz,
                             ResumenTexto& leido) {
    if (profundidad > kProfundidadMaxima) {
        return false;
    }
    SumasMatriz auxiliares;
    Valor cabecera;
    int64_t limiteSuperior = 0;
    if (!LeeElemento(pos, limite, profundidad, cabecera, auxiliares, leido) ||
        !ComoEntero(cabecera, limiteSuperior) || limiteSuperior < 0) {
        return false;
    }
    Lista lista;
    // Room for the entries the bound announces, but never for more than the rest of the text can
    // hold (an element takes at least three characters), so a hostile bound claims no memory.
    const auto restantes = static_cast<int64_t>(texto_.size() - std::min(pos.byte, texto_.size()));
    lista.reserve(static_cast<std::size_t>(
        std::min<int64_t>(limiteSuperior + 1, std::min(limite - pos.caracter, restantes) / 3)));
    SumasMatriz sumas;
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

bool LectorMatriz::QuedaCaracter(const Posicion& pos, int64_t limite) const {
    return pos.caracter < limite && pos.byte < texto_.size();
}

// Moves pos forward by n characters, adding them to resumen; false when fewer remain.
bool LectorMatriz::Avanza(Posicion& pos, int64_t n, int64_t limite, ResumenTexto& resumen) const {
    if (n > limite - pos.caracter) {
        return false;
    }
    int64_t i = 0;
    while (i < n) {
        // A run of ASCII characters: bytes and characters advance together.
        const std::size_t hasta = std::min(texto_.size(), pos.byte + static_cast<std::size_t>(n - i));
        const std::size_t fin = AgregaAscii(texto_, pos.byte, hasta, resumen);
        const auto corrida = static_cast<int64_t>(fin - pos.byte);
        pos.byte = fin;
        pos.caracter += corrida;
        i += corrida;
        if (i < n && corrida == 0) {
            if (pos.byte >= texto_.size()) {
                return false;
            }
            resumen.AgregaCodigo(CodigoSiguiente(texto_, pos.byte));
            ++pos.caracter;
            ++i;
        }
    }
    return true;
}

// Reads a checksum element (with sums of its own) and compares it with the level's sum.
bool LectorMatriz::LeeSuma(Posicion& pos, int64_t limite, int profundidad, int64_t esperada,
                           ResumenTexto& leido) {
    SumasMatriz auxiliares;
    Valor suma;
    return LeeElemento(pos, limite, profundidad, suma, auxiliares, leido) && suma.EsNumero() &&
           suma.ComoDoble() == static_cast<double>(esperada);
}

// Reads the element whose tag is at pos into valor, adds its value text to sumas and all its
// characters to leido, and moves pos past it.
bool LectorMatriz::LeeElemento(Posicion& pos, int64_t limite, int profundidad, Valor& valor,
                               SumasMatriz& sumas, ResumenTexto& leido) {
    // Tag, length digits and "/" are ASCII in any element that can be read: anything else fails
    // here, as it would once converted.
    const char etiqueta = QuedaCaracter(pos, limite) ? texto_[pos.byte] : '\0';
    if (kEtiquetas.find(etiqueta) == std::string_view::npos) {
        return false;
    }
    int64_t longitud = 0;
    int64_t i = 1;
    for (;; ++i) {
        if (i >= kVentanaBarra || pos.caracter + i >= limite || pos.byte + i >= texto_.size()) {
            return false;
        }
        const char c = texto_[pos.byte + i];
        if (c == '/') {
            break;
        }
        if (c < '0' || c > '9') {
            return false;
        }
        longitud = longitud * 10 + (c - '0');
    }
    if (i == 1) {
        return false;
    }
    ResumenTexto frente;
    for (int64_t j = 0; j <= i; ++j) {
        frente.AgregaCodigo(static_cast<unsigned char>(texto_[pos.byte + j]));
    }
    Posicion fin{pos.byte + static_cast<std::size_t>(i) + 1, pos.caracter + i + 1};
    const Posicion comienzoValor = fin;
    if (longitud > limite - comienzoValor.caracter) {
        return false;
    }

    ResumenTexto resumenValor;
    if (etiqueta == 'A') {
        const int64_t finValor = comienzoValor.caracter + longitud;
        Valor interna;
        if (!LeeMatriz(fin, finValor, profundidad + 1, interna, resumenValor) ||
            !Avanza(fin, finValor - fin.caracter, finValor, resumenValor)) {
            return false;
        }
        valor = std::move(interna);
    } else {
        if (!Avanza(fin, longitud, limite, resumenValor) ||
            !Convierte(etiqueta, texto_.substr(comienzoValor.byte, fin.byte - comienzoValor.byte),
                       valor)) {
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

}  // namespace velqor::zev
