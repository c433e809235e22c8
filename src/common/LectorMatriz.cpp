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
    // Entries are added as they are read, so a hostile bound cannot claim memory up front.
    lista.reserve(static_cast<std::size_t>(std::min<int64_t>(limiteSuperior + 1, 1024)));
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
    for (int64_t i = 0; i < n; ++i) {
        if (!QuedaCaracter(pos, limite)) {
            return false;
        }
        resumen.AgregaCodigo(CodigoSiguiente(texto_, pos.byte));
        ++pos.caracter;
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
    const Posicion inicio = pos;
    Posicion barra = pos;
    bool hallada = false;
    ResumenTexto frente;
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
    if (cifras.empty()) {
        return false;
    }
    int64_t longitud = 0;
    for (const char c : cifras) {
        if (c < '0' || c > '9') {
            return false;
        }
        longitud = longitud * 10 + (c - '0');
    }
    Posicion fin = barra;
    Avanza(fin, 1, limite, frente);
    const Posicion comienzoValor = fin;
    if (longitud > limite - comienzoValor.caracter) {
        return false;
    }

    ResumenTexto resumenValor;
    const char etiqueta = texto_[inicio.byte];
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
