#pragma once
// Internal to the array text (ZEVmat3): writes one array as array text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/SumasMatriz.h"
#include "common/Valor.h"

namespace velqor::zev {

// Writes in one pass over the values, each character once. A nested array's element front holds
// the nested text's length, known only once that text is written: room for the longest front is
// kept before it and the front is written into the end of that room afterwards; the room left over
// is dropped when the text is handed over. The checksums come from the running sums of the text
// in its order (see LectorMatriz), the fronts' digits added when they are known. One object serves
// one call.
class EscritorMatriz {
public:
    // Appends the array text of lista to texto. False when an entry cannot be written (a message
    // box names an unwritable kind), when nesting is too deep or a checksum leaves 32 bits; texto
    // then ends with the elements written before the failing entry of the top level.
    bool Escribe(const Lista& lista, std::string& texto);

private:
    // The text being written, with room before every nested array. Grown with realloc, which
    // moves a large block's pages instead of copying them.
    struct Libera {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Libera> texto_;
    std::size_t capacidad_ = 0;
    std::size_t usado_ = 0;
    // The room before each nested array, in the order of the text: where it starts and how much
    // of it its front left over.
    struct Hueco {
        std::size_t posicion;
        std::size_t sobrante;
    };
    std::vector<Hueco> huecos_;
    // The running sums and the length in characters of the text so far.
    Recorrido recorrido_{'N'};
    int64_t caracteres_ = 0;

    bool EscribeMatriz(const Lista& lista, int profundidad);
    bool EscribeEntrada(const Valor& v, int profundidad, SumasTexto& sumas);
    bool EscribeAnidada(const Lista& lista, int profundidad, SumasTexto& sumas);
    void EscribeFrente(char etiqueta, int64_t caracteres);
    void EscribeEntero(int64_t numero);
    void EscribeAscii(const char* desde, const char* hasta);
    // Makes room for n more characters.
    void Asegura(std::size_t n) {
        if (capacidad_ - usado_ < n) {
            Crece(n);
        }
    }
    void Crece(std::size_t n);
};

}  // namespace velqor::zev
