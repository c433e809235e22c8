#pragma once
// Internal to the array text (ZEVmat3): reads array text back into values.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/SumasMatriz.h"
#include "common/Valor.h"

namespace velqor::zev {

// Reads array text in one pass, building the values in place in their lists. The checksums come
// from the running sums of the text (the codes of all characters so far and the steps between
// them), taken a stretch at a time as the reading moves on: a level's entries are one stretch, and
// the sums of their value texts are that stretch's sums less what the elements' fronts add (their
// characters, the step into each front and the step from its "/" into the value). Each character
// is thus summed once, however deep the nesting. One object reads one text; every failure answers
// false; nothing throws but std::bad_alloc.
class LectorMatriz {
public:
    explicit LectorMatriz(std::string_view texto);

    // Reads the array at the start of the text into matriz. On failure matriz holds the entries
    // read before the failing one (Empty when not even the upper bound could be read).
    bool Lee(Valor& matriz);

private:
    std::string_view texto_;
    const unsigned char* bytes_;
    // Whether the whole text is ASCII (then every character is one byte).
    bool ascii_;
    // Where the reading stands, and the code of the last character read.
    std::size_t byte_ = 0;
    int64_t caracter_ = 0;
    int ultimo_ = 0;
    // The running sums of the characters before byte sumado_.
    std::size_t sumado_ = 0;
    Recorrido recorrido_;

    bool LeeMatriz(int64_t limite, int profundidad, Valor& matriz);
    bool LeeFrente(int64_t limite, char& etiqueta, int64_t& longitud, SumasTexto& frentes);
    bool TomaValor(int64_t longitud, int& primero);
    bool LeeElemento(int64_t limite, int profundidad, Valor& valor, SumasTexto& frentes);
    bool LeeNumero(int64_t limite, double& numero);
    SumasTexto SumasHasta(std::size_t byte);
};

}  // namespace velqor::zev
