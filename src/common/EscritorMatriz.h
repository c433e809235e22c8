#pragma once
// Internal to the array text: writes array text, from values (ZEVmat3) or element by element for a
// writer that knows the shape it writes (the density history's own writer).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Momento.h"
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

    // Element by element. A list starts with Empieza (its upper bound), takes its entries in order
    // (a value: Texto, Numero, Fecha, Logico or Vacio; a nested list: AbreAnidada, the nested
    // list, CierraAnidada), each summed into the list's own SumasMatriz, and ends with Termina.
    // Entrega hands the text over. A false answer (a sum out of 32 bits, an unwritable date)
    // leaves the text of no use. The caller keeps nesting shallow.

    // Where a nested list's element starts.
    struct Anidada {
        std::size_t hueco = 0;
        SumasTexto antes;
        int64_t inicio = 0;
    };
    void Empieza(int64_t cota) { EscribeEntero(cota); }
    bool Texto(std::string_view texto, SumasMatriz& sumas) { return Escalar('T', texto, sumas); }
    bool Numero(double numero, SumasMatriz& sumas);
    // False, with a message box, for a date outside the years 0 to 9999.
    bool Fecha(Momento fecha, SumasMatriz& sumas);
    bool Logico(bool valor, SumasMatriz& sumas) { return Escalar('L', valor ? "1" : "0", sumas); }
    bool Vacio(SumasMatriz& sumas) { return Escalar('E', {}, sumas); }
    Anidada AbreAnidada();
    bool CierraAnidada(const Anidada& anidada, SumasMatriz& sumas);
    void Termina(const SumasMatriz& sumas) {
        EscribeEntero(sumas.saltos);
        EscribeEntero(sumas.codigos);
    }
    // Appends the text written to texto (an empty texto takes this writer's buffer, uncopied).
    void Entrega(std::string& texto);
    // Makes room for about n characters before anything is written, so that a text of that size
    // is never moved while it grows.
    void Reserva(std::size_t n) {
        if (n > texto_.size()) {
            Crece(n - usado_);
        }
    }

private:
    // The text being written, with room before every nested array; its size is the room taken,
    // usado_ of it written.
    std::string texto_;
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
    bool EscribeEntrada(const Valor& v, int profundidad, SumasMatriz& sumas);
    bool Escalar(char etiqueta, std::string_view texto, SumasMatriz& sumas);
    void EscribeFrente(char etiqueta, int64_t caracteres);
    void EscribeEntero(int64_t numero);
    void EscribeAscii(const char* desde, const char* hasta);
    // Makes room for n more characters.
    void Asegura(std::size_t n) {
        if (texto_.size() - usado_ < n) {
            Crece(n);
        }
    }
    void Crece(std::size_t n);
};

}  // namespace velqor::zev
