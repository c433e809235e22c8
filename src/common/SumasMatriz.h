#pragma once
// Internal to the array text (ZEVmat3): the checksum arithmetic shared by its writer and reader,
// and the limits both keep.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Texto1252.h"

namespace velqor::zev {

// Deepest nesting written or read; deeper arrays fail instead of exhausting the stack.
inline constexpr int kProfundidadMaxima = 1000;
// The date form of an "F" element.
inline constexpr std::string_view kFormaFecha = "yyyy-mm-dd hh:nn:ss";

// What the checksums need to know of a stretch of text: its characters, the sum of their codes,
// the sum of the steps between neighbours, and the first and last codes, so that two stretches
// can be joined without looking at their characters again.
struct ResumenTexto {
    int64_t caracteres = 0;
    int64_t codigos = 0;
    int64_t saltos = 0;
    int primero = 0;
    int ultimo = 0;

    // Adds one character with the given Windows-1252 code at the end.
    void AgregaCodigo(int codigo) {
        if (caracteres > 0) {
            saltos += codigo > ultimo ? codigo - ultimo : ultimo - codigo;
        } else {
            primero = codigo;
        }
        ultimo = codigo;
        codigos += codigo;
        ++caracteres;
    }
    // Adds a following stretch at the end.
    void Agrega(const ResumenTexto& otro);
};

// The Windows-1252 code of the UTF-8 character at byte pos, moving pos past it (ASCII inline: it
// is the hot path of both directions).
inline int CodigoSiguiente(std::string_view utf8, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte;
    }
    return Codigo1252(SiguienteCaracter(utf8, pos));
}

// Adds the run of ASCII characters of texto that starts at byte desde and ends at hasta or at the
// first other byte, whichever comes first, to resumen; answers where the run ended. (ASCII is the
// bulk of every text: summed here a run at a time.)
std::size_t AgregaAscii(std::string_view texto, std::size_t desde, std::size_t hasta,
                        ResumenTexto& resumen);

// The facts of a whole UTF-8 text.
ResumenTexto ResumenDe(std::string_view utf8);

// The two checksums of one array level, kept within the signed 32-bit range.
struct SumasMatriz {
    int64_t saltos = 0;
    int64_t codigos = 0;

    // Adds one value text; false (sums unchanged) when a sum would leave the 32-bit range.
    bool Suma(const ResumenTexto& valor);
};

}  // namespace velqor::zev
