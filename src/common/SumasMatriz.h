#pragma once
// Internal to the array text (ZEVmat3): the checksum arithmetic shared by its writer and reader,
// and the limits both keep.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "common/Texto1252.h"

namespace velqor::zev {

// Deepest nesting written or read; deeper arrays fail instead of exhausting the stack.
inline constexpr int kProfundidadMaxima = 1000;
// The date form of an "F" element.
inline constexpr std::string_view kFormaFecha = "yyyy-mm-dd hh:nn:ss";
// The character that ends an element's front; every value text follows one.
inline constexpr int kBarra = '/';
// The largest sum a checksum may hold.
inline constexpr int64_t kMaximoSuma = std::numeric_limits<int32_t>::max();

// The step between two neighbouring codes.
inline int Salto(int de, int a) { return a > de ? a - de : de - a; }

// The two sums of a stretch of text: the codes of its characters and the steps between
// neighbours within it.
struct SumasTexto {
    int64_t codigos = 0;
    int64_t saltos = 0;
};

// The sums of a whole text (or of every character taken so far), kept in the order of the
// characters: each new character adds its code and its step from the one before.
struct Recorrido {
    SumasTexto sumas;
    int ultimo = 0;  // the code of the last character taken

    // Starts with the character that will come first, so that it takes no step.
    explicit Recorrido(int primero = 0) : ultimo(primero) {}

    void Agrega(int codigo) {
        sumas.codigos += codigo;
        sumas.saltos += Salto(ultimo, codigo);
        ultimo = codigo;
    }
};

// The facts of one value text: its sums, its length in characters and its first and last codes.
struct Valor1252 {
    SumasTexto sumas;
    int64_t caracteres = 0;
    int primero = 0;
    int ultimo = 0;

    // Adds the value's characters to the running sums, after those already taken.
    void AgregaA(Recorrido& recorrido) const {
        if (caracteres > 0) {
            recorrido.sumas.codigos += sumas.codigos;
            recorrido.sumas.saltos += Salto(recorrido.ultimo, primero) + sumas.saltos;
            recorrido.ultimo = ultimo;
        }
    }
};

// The Windows-1252 code of the UTF-8 character at byte pos, moving pos past it (ASCII inline).
inline int CodigoSiguiente(std::string_view utf8, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte;
    }
    return Codigo1252(SiguienteCaracter(utf8, pos));
}

// Adds the ASCII characters of bytes from desde on, up to hasta or the first byte that is not
// ASCII, to the running sums; answers where it stopped.
std::size_t AgregaAscii(const unsigned char* bytes, std::size_t desde, std::size_t hasta,
                        Recorrido& recorrido);

// Takes the n bytes at bytes as one value text of n ASCII characters: fills valor and answers
// true, or answers false (valor unusable) when one of the bytes is not ASCII. n > 0.
bool ValorAscii(const unsigned char* bytes, std::size_t n, Valor1252& valor);

// The facts of a whole UTF-8 value text, character by character.
Valor1252 ValorUtf8(std::string_view utf8);

// The two checksums of one array level, kept within the signed 32-bit range.
struct SumasMatriz {
    int64_t saltos = 0;
    int64_t codigos = 0;

    // Adds one value text's sums; false when a sum leaves the 32-bit range (the level can then be
    // neither written nor read).
    bool Suma(const SumasTexto& valor) {
        saltos += valor.saltos;
        codigos += valor.codigos;
        return saltos <= kMaximoSuma && codigos <= kMaximoSuma;
    }
};

}  // namespace velqor::zev
