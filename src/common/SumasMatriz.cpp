#include "common/SumasMatriz.h"

#include <algorithm>
#include <cstdlib>

namespace velqor::zev {

bool ValorAscii(const unsigned char* bytes, std::size_t n, Valor1252& valor) {
    // Plain loops over blocks whose sums fit 32 bits: the compiler turns them into vector code.
    constexpr std::size_t kBloque = std::size_t{1} << 16;
    valor.sumas = {};
    unsigned bits = 0;
    for (std::size_t desde = 0; desde < n; desde += kBloque) {
        const std::size_t hasta = std::min(n, desde + kBloque);
        unsigned codigos = 0;
        unsigned saltos = 0;
        for (std::size_t k = desde; k < hasta; ++k) {
            codigos += bytes[k];
            bits |= bytes[k];
        }
        for (std::size_t k = std::max<std::size_t>(desde, 1); k < hasta; ++k) {
            saltos += static_cast<unsigned>(std::abs(bytes[k] - bytes[k - 1]));
        }
        valor.sumas.codigos += codigos;
        valor.sumas.saltos += saltos;
    }
    valor.caracteres = static_cast<int64_t>(n);
    valor.primero = bytes[0];
    valor.ultimo = bytes[n - 1];
    return bits < 0x80;
}

Valor1252 ValorUtf8(std::string_view utf8) {
    Valor1252 valor;
    if (utf8.empty()) {
        return valor;
    }
    std::size_t pos = 0;
    valor.primero = CodigoSiguiente(utf8, pos);
    Recorrido recorrido(valor.primero);
    recorrido.Agrega(valor.primero);
    valor.caracteres = 1;
    while (pos < utf8.size()) {
        recorrido.Agrega(CodigoSiguiente(utf8, pos));
        ++valor.caracteres;
    }
    valor.sumas = recorrido.sumas;
    valor.ultimo = recorrido.ultimo;
    return valor;
}

}  // namespace velqor::zev
