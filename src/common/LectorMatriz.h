#pragma once
// Internal to the array text (ZEVmat3): reads array text back into values.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/SumasMatriz.h"
#include "common/Valor.h"

namespace velqor::zev {

// Reads array text in one pass. Positions carry both the byte offset and the character index; a
// nested array is read in place, bounded by its element's announced length, and reports the
// checksum facts of what it consumed, so the enclosing level need not look at those characters
// again. Every failure answers false; nothing throws but std::bad_alloc.
class LectorMatriz {
public:
    explicit LectorMatriz(std::string_view texto) : texto_(texto) {}

    struct Posicion {
        std::size_t byte = 0;
        int64_t caracter = 0;
    };

    // Reads one array (header, entries, checksums) at pos, not past the character `limite`, and
    // adds every character it consumed to leido. On failure matriz holds the entries read so far.
    bool LeeMatriz(Posicion& pos, int64_t limite, int profundidad, Valor& matriz, ResumenTexto& leido);

private:
    std::string_view texto_;

    bool QuedaCaracter(const Posicion& pos, int64_t limite) const;
    bool Avanza(Posicion& pos, int64_t n, int64_t limite, ResumenTexto& resumen) const;
    bool LeeSuma(Posicion& pos, int64_t limite, int profundidad, int64_t esperada, ResumenTexto& leido);
    bool LeeElemento(Posicion& pos, int64_t limite, int profundidad, Valor& valor, SumasMatriz& sumas,
                     ResumenTexto& leido);
};

}  // namespace velqor::zev
