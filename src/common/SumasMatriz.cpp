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

bool ValorAscii(const unsigned char* bytes, std::size_t n, Valor1252& valor) {
    // Eight bytes at a time in one 64-bit word (they are ASCII, or the answer is false anyway):
    // the codes are the word's bytes, the steps the differences between the word and itself moved
    // one byte on. For ASCII a and b, (a | 0x80) - b is 0x80 + a - b without a borrow between
    // bytes, so its high bit tells which is larger.
    uint64_t altos = 0;
    unsigned anterior = bytes[0];
    uint64_t codigos = 0;
    uint64_t saltos = 0;
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t x = 0;
        std::memcpy(&x, bytes + k, 8);
        if constexpr (std::endian::native == std::endian::big) {
            x = __builtin_bswap64(x);
        }
        const uint64_t previos = (x << 8) | anterior;
        const uint64_t diferencia = (x | kAltos) - previos;
        const uint64_t mayor = ((diferencia & kAltos) >> 7) * 0xFF;  // 0xFF where x >= previous
        const uint64_t hacia = (diferencia ^ kAltos) & mayor;
        const uint64_t desde = (((diferencia & ~kAltos) ^ (kAltos - kUnos)) + kUnos) & ~mayor;
        altos |= x;
        codigos += SumaBytes(x);
        saltos += SumaBytes(hacia | desde);
        anterior = static_cast<unsigned>(x >> 56);
    }
    for (; k < n; ++k) {
        const unsigned b = bytes[k];
        altos |= b;
        codigos += b;
        saltos += static_cast<unsigned>(Salto(static_cast<int>(anterior), static_cast<int>(b)));
        anterior = b;
    }
    valor.sumas = {static_cast<int64_t>(codigos), static_cast<int64_t>(saltos)};
    valor.caracteres = static_cast<int64_t>(n);
    valor.primero = bytes[0];
    valor.ultimo = static_cast<int>(anterior);
    return (altos & kAltos) == 0;
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
