#pragma once
// TextoHistorial: the one conversion between a density history and the array text of its file
// (docs/density-history.md, docs/array-text.md): a list of one entry, Empty for a history without
// rows, else the list of rows (table, index, key, measurements), a measurement being (density
// before, start, end, density after, rebuilt). Rows are read straight from the text and written
// straight to it, checksums included, with the array text's own reader and writer.

#include <string>
#include <string_view>

#include "engine/HistorialDensidad.h"

namespace velqor {

class TextoHistorial {
  public:
    // Reads the array text texto (what follows its last element, such as the line end, is
    // ignored) into historial, rows in the order of the text. An empty text is an empty history.
    // False, with historial untouched and error saying what is wrong in one clause ("its text is
    // damaged (...)" when the array text does not read back, whatever its content; "it is not a
    // density history (...)" when it reads but holds something else), otherwise. Never throws
    // but std::bad_alloc.
    static bool Lee(std::string_view texto, HistorialDensidad& historial, std::string& error);

    // Writes historial's array text into texto (no line end). False when it cannot be written (a
    // date outside the years 0 to 9999, shown in a message box; checksums beyond 32 bits), texto
    // then being of no use. Never throws but std::bad_alloc.
    static bool Escribe(const HistorialDensidad& historial, std::string& texto);
};

}  // namespace velqor
