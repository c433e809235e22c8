#include "common/SumasMatriz.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velqor::zev {

std::size_t AgregaAscii(const unsigned char* bytes, std::size_t desde, std::size_t hasta,
                        Recorrido& recorrido) {
    auto anterior = static_cast<int64_t>(recorrido.ultimo);
    int64_t codigos = 0;
    int64_t saltos = 0;
    std::size_t k = desde;
    const auto agrega = [&](int64_t b) {
        codigos += b;
        saltos += b > anterior ? b - anterior : anterior - b;
        anterior = b;
    };
    // The first character on its own: from then on the byte before k is the last one taken.
    if (k < hasta && bytes[k] < 0x80) {
        agrega(bytes[k++]);
    }
#if defined(__SSE2__)
    // Sixteen characters a step: the sum of absolute differences against zero adds up their codes,
    // and against the same bytes one position back (the character before each) their steps.
    if (k > desde) {
        const __m128i cero = _mm_setzero_si128();
        __m128i sumaCodigos = cero;
        __m128i sumaSaltos = cero;
        for (; k + 16 <= hasta; k += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k));
            if (_mm_movemask_epi8(x) != 0) {
                break;  // a byte that is not ASCII
            }
            const __m128i antes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k - 1));
            sumaCodigos = _mm_add_epi64(sumaCodigos, _mm_sad_epu8(x, cero));
            sumaSaltos = _mm_add_epi64(sumaSaltos, _mm_sad_epu8(x, antes));
        }
        const auto mitades = [](__m128i v) {
            alignas(16) int64_t dos[2];
            _mm_store_si128(reinterpret_cast<__m128i*>(dos), v);
            return dos[0] + dos[1];
        };
        codigos += mitades(sumaCodigos);
        saltos += mitades(sumaSaltos);
        anterior = bytes[k - 1];
    }
#endif
    for (; k < hasta && bytes[k] < 0x80; ++k) {
        agrega(bytes[k]);
    }
    recorrido.sumas.codigos += codigos;
    recorrido.sumas.saltos += saltos;
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
