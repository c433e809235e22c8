#include "common/SumasMatriz.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velqor::zev {

namespace {

constexpr uint64_t kUnos = 0x0101010101010101;
constexpr uint64_t kAltos = 0x8080808080808080;
constexpr uint64_t kPares = 0x00FF00FF00FF00FF;

// The eight bytes of x added pairwise into four 16-bit lanes.
uint64_t Pares(uint64_t x) { return (x & kPares) + ((x >> 8) & kPares); }

// The sum of the four 16-bit lanes of x.
uint64_t SumaCarriles(uint64_t x) {
    return (x & 0xFFFF) + ((x >> 16) & 0xFFFF) + ((x >> 32) & 0xFFFF) + (x >> 48);
}

}  // namespace

std::size_t AgregaAscii(const unsigned char* bytes, std::size_t desde, std::size_t hasta,
                        Recorrido& recorrido) {
    auto anterior = static_cast<uint64_t>(recorrido.ultimo);
    uint64_t codigos = 0;
    uint64_t saltos = 0;
    std::size_t k = desde;
    const auto agrega = [&](uint64_t b) {
        codigos += b;
        saltos += b > anterior ? b - anterior : anterior - b;
        anterior = b;
    };
    // The word's trick below needs the character before the word to be ASCII as well.
    if (anterior >= 0x80 && k < hasta && bytes[k] < 0x80) {
        agrega(bytes[k++]);
    }
    // Eight bytes at a time in one 64-bit word: the codes are the word's bytes, the steps the
    // differences between the word and itself moved one byte on. For ASCII a and b,
    // (a | 0x80) - b is 0x80 + a - b without a borrow between bytes, so its high bit tells which
    // is larger. Both sums gather in 16-bit lanes, emptied before they could overflow.
    while (k + 8 <= hasta) {
        uint64_t carrilCodigos = 0;
        uint64_t carrilSaltos = 0;
        const std::size_t tope = std::min(hasta, k + 8 * 256);
        for (; k + 8 <= tope; k += 8) {
            uint64_t x = 0;
            std::memcpy(&x, bytes + k, 8);
            if constexpr (std::endian::native == std::endian::big) {
                x = __builtin_bswap64(x);
            }
            if ((x & kAltos) != 0) {
                break;
            }
            const uint64_t diferencia = (x | kAltos) - ((x << 8) | anterior);
            const uint64_t noMenor = ((diferencia & kAltos) >> 7) * 0xFF;
            const uint64_t subida = (diferencia ^ kAltos) & noMenor;
            const uint64_t bajada =
                (((diferencia & ~kAltos) ^ (kAltos - kUnos)) + kUnos) & ~noMenor;
            carrilCodigos += Pares(x);
            carrilSaltos += Pares(subida | bajada);
            anterior = x >> 56;
        }
        codigos += SumaCarriles(carrilCodigos);
        saltos += SumaCarriles(carrilSaltos);
        if (k + 8 <= tope) {
            break;  // a word that is not all ASCII
        }
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
