#pragma once
// Internal to the array text: reads array text, into values (ZEVmat3) or element by element for a
// reader that knows the shape it expects (the density history's own reader).

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

    // Element by element. A list is opened (Abre for the text's own, Entra for a nested one), its
    // entries are taken in order with Siguiente (an "A" entry: Entra, its entries, Cierra, Sale),
    // and it is closed with Cierra, which checks its sums. Every step checks what Lee checks and
    // answers false where Lee would fail; after a false the reader is of no further use.

    // One list being read.
    struct Nivel {
        int64_t limite = 0;      // the character it may not run past
        int profundidad = 0;     // 1 for the text's own list
        int64_t cota = 0;        // its upper bound: entries 0 to cota follow
        int64_t desde = 0;       // the character its entries start at
        SumasTexto inicio;       // the running sums where its entries start
        SumasTexto frentes;      // what its entries' fronts add to the running sums
    };
    // One entry whose front has been read: a value (texto) or, with etiqueta 'A', a nested list.
    struct Elemento {
        char etiqueta = 0;
        std::string_view texto;  // the value text; empty for 'A'
        int64_t fin = 0;         // 'A': the character the element ends at
        int primero = 0;         // 'A': the code of its first character
    };

    // Opens the list at the start of the text: reads its upper bound.
    bool Abre(Nivel& nivel);
    // Reads the next entry of nivel: its front, and its value unless it is a nested list.
    bool Siguiente(Nivel& nivel, Elemento& elemento);
    // Opens the nested list of the "A" entry elemento of padre.
    bool Entra(const Nivel& padre, const Elemento& elemento, Nivel& anidada);
    // Moves past the rest of the "A" entry elemento of padre once its nested list is closed.
    bool Sale(Nivel& padre, const Elemento& elemento);
    // Reads the list's two checksums; true when they agree with its entries.
    bool Cierra(Nivel& nivel);

    // A small nested list of values, read in one step: for a reader that takes many lists of one
    // known shape. The values of a Plana that LeePlana filled, tag and text.
    struct Plana {
        static constexpr int kMaximo = 8;
        Elemento valores[kMaximo];
        std::size_t byte = 0;  // where the reading stands after the "A" entry
        SumasTexto frente;     // what its front adds to the parent's fronts
    };
    // Reads the next entry of padre as an "A" entry whose nested list holds entries 0 to cota
    // (cota < Plana::kMaximo), none of them a list, and checks the nested list's checksums, without
    // moving the reading on. False, with nothing read, when the entry is anything else, or is
    // written in a form this step does not take (text that is not ASCII, a long value, characters
    // after the nested checksums): the caller then reads it element by element, which decides
    // whether the text is damaged as it always does.
    bool LeePlana(const Nivel& padre, int64_t cota, Plana& plana) const;
    // Moves past the entry plana read from padre, as Siguiente, Entra, the values, Cierra and Sale
    // would have; false where Sale would have failed.
    bool Avanza(Nivel& padre, const Plana& plana);

    // The number an "N" value text holds; false when it holds none.
    static bool TextoANumero(std::string_view texto, double& numero);

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

    bool AbreHasta(int64_t limite, int profundidad, Nivel& nivel);
    bool LeeMatriz(Nivel& nivel, Valor& matriz);
    bool LeeFrente(int64_t limite, char& etiqueta, int64_t& longitud, SumasTexto& frentes);
    bool TomaValor(int64_t longitud, int& primero);
    bool SumasEnRango(const Nivel& nivel);
    SumasTexto SumasValores(const Nivel& nivel);
    bool LeeNumero(int64_t limite, double& numero);
    SumasTexto SumasHasta(std::size_t byte);
};

}  // namespace velqor::zev
