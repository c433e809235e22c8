#pragma once
// Internal to the array text (ZEVmat3): reads array text back into values.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/SumasMatriz.h"
#include "common/Valor.h"

namespace velqor::zev {

// Reads array text in one pass. Besides its position (byte offset and character index) the reader
// keeps the running sums of every character it has taken, in order; a value text is one stretch
// of them, so its sums are the difference of the running sums at its ends, and a nested array's
// characters are looked at once however deep the nesting. Values are built in place in their
// lists. One object reads one text; every failure answers false; nothing throws but
// std::bad_alloc.
class LectorMatriz {
public:
    explicit LectorMatriz(std::string_view texto);

    // Reads the array at the start of the text into matriz. On failure matriz holds the entries
    // read before the failing one (Empty when not even the upper bound could be read).
    bool Lee(Valor& matriz);

private:
    std::string_view texto_;
    const unsigned char* bytes_;
    std::size_t byte_ = 0;
    int64_t caracter_ = 0;
    Recorrido recorrido_;

    bool LeeMatriz(int64_t limite, int profundidad, Valor& matriz);
    bool LeeFrente(int64_t limite, char& etiqueta, int64_t& longitud);
    bool LeeValor(int64_t longitud, Valor1252& valor);
    bool LeeElemento(int64_t limite, int profundidad, Valor& valor, SumasTexto& sumas);
    bool LeeNumero(int64_t limite, double& numero);
};

}  // namespace velqor::zev
