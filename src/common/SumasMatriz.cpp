#include "common/SumasMatriz.h"

#include <bit>
#include <cstring>

namespace velqor::zev {

namespace {

constexpr uint64_t kUnos = 0x0101010101010101;
constexpr uint64_t kAltos = 0x8080808080808080;
constexpr uint64_t kPares = 0x00FF00FF00FF00FF;

// The sum of the eight bytes of x, each below 0x80.
unsigned SumaBytes(uint64_t x) {
    const uint64_t pares = (x & kPares) + ((x >> 8) & kPares);  // four sums of two, below 2^16
    return static_cast<unsigned>((pares * 0x0001000100010001) >> 48);
}

}  // namespace

std::size_t AgregaAscii(const unsigned char* bytes, std::size_t desde, std::size_t hasta,
                        Recorrido& recorrido) {
    // Eight bytes at a time in one 64-bit word: the codes are the word's bytes, the steps the
    // differences between the word and itself moved one byte on. For ASCII a and b,
    // (a | 0x80) - b is 0x80 + a - b without a borrow between bytes, so its high bit tells which
    // is larger.
    auto anterior = static_cast<uint64_t>(recorrido.ultimo);
    uint64_t codigos = 0;
    uint64_t saltos = 0;
    std::size_t k = desde;
    const auto agrega = [&](uint64_t b) {
        codigos += b;
        saltos += b > anterior ? b - anterior : anterior - b;
        anterior = b;
    };
    // The word's trick needs the character before it to be ASCII as well.
    if (anterior >= 0x80 && k < hasta && bytes[k] < 0x80) {
        agrega(bytes[k++]);
    }
    for (; k + 8 <= hasta; k += 8) {
        uint64_t x = 0;
        std::memcpy(&x, bytes + k, 8);
        if constexpr (std::endian::native == std::endian::big) {
            x = __builtin_bswap64(x);
        }
        if ((x & kAltos) != 0) {
            break;
        }
        const uint64_t diferencia = (x | kAltos) - ((x << 8) | anterior);
        const uint64_t mayor = ((diferencia & kAltos) >> 7) * 0xFF;  // 0xFF where x is not below
        const uint64_t hacia = (diferencia ^ kAltos) & mayor;
        const uint64_t desdeMayor = (((diferencia & ~kAltos) ^ (kAltos - kUnos)) + kUnos) & ~mayor;
        codigos += SumaBytes(x);
        saltos += SumaBytes(hacia | desdeMayor);
        anterior = x >> 56;
    }
    for (; k < hasta && bytes[k] < 0x80; ++k) {
        agrega(bytes[k]);
    }
    recorrido.sumas.codigos += static_cast<int64_t>(codigos);
    recorrido.sumas.saltos += static_cast<int64_t>(saltos);
    recorrido.ultimo = static_cast<int>(anterior);
    return k;
}

bool ValorAscii(const unsigned char* bytes, std::size_t n, Valor1252& valor) {
    Recorrido recorrido(bytes[0]);
    if (AgregaAscii(bytes, 0, n, recorrido) != n) {
        return false;
    }
    valor.sumas = recorrido.sumas;
    valor.caracteres = static_cast<int64_t>(n);
    valor.primero = bytes[0];
    valor.ultimo = recorrido.ultimo;
    return true;
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
