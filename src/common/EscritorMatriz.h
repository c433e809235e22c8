#pragma once
// Internal to the array text (ZEVmat3): writes one array as array text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/SumasMatriz.h"
#include "common/Valor.h"

namespace velqor::zev {

// Writes in two passes: the first measures every level (its text's length and its checksums) and
// keeps the value texts it had to make (numbers, dates, Booleans), the second writes straight into
// the result. Each character is thus produced once, however deep the nesting. One object serves
// one call.
class EscritorMatriz {
public:
    // Appends the array text of lista to texto. False when an entry cannot be written (a message
    // box names an unwritable kind), when nesting is too deep or a checksum leaves 32 bits; texto
    // then ends with the elements written before the failing entry of the top level.
    bool Escribe(const Lista& lista, std::string& texto);

private:
    struct Medida {
        int64_t caracteres = 0;
        SumasMatriz sumas;
    };
    // One entry per array level, in the order the levels are entered.
    std::vector<Medida> medidas_;
    // The value texts of the entries that are neither String nor array, one after another in the
    // order they are met, and the length of each.
    std::string textos_;
    std::vector<uint16_t> largos_;

    // Where the second pass stands in medidas_, largos_ and textos_.
    struct Cursor {
        std::size_t nivel = 0;
        std::size_t valor = 0;
        std::size_t texto = 0;
    };

    bool Mide(const Lista& lista, int profundidad, ResumenTexto& total, std::size_t& entradaFallida);
    void Vuelca(const Lista& lista, std::size_t entradas, bool completo, std::string& texto,
                Cursor& siguiente) const;
};

}  // namespace velqor::zev
