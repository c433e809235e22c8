#pragma once
// HistorialDensidad: the month's density history file (".ZEVeri") read into plain rows, for
// printing. The file holds the array text of a one-entry list whose entry is Empty (no history) or
// the list of rows (table, index, key, measurements); docs/array-text.md describes the text.

#include <string>
#include <string_view>
#include <vector>

#include "common/Momento.h"

namespace velqor::cli {

// One treatment of an index.
struct Medicion {
    double antes = 0;       // scan density before, percent
    Momento inicio{};       // start of the treatment
    Momento fin{};          // end of the treatment
    double despues = 0;     // scan density after, percent
    bool bloquear = false;  // true: rebuilt off line; false: defragmented on line
};

// Every treatment of one index in the month, oldest first.
struct FilaHistorial {
    std::string tabla;
    std::string indice;
    std::vector<Medicion> mediciones;
};

class HistorialDensidad {
  public:
    // Reads the file at ruta. An empty file is an empty history. False with error (one sentence
    // naming the file and what is wrong) when the file cannot be read, its text is damaged (a
    // checksum or length that does not agree) or it does not hold a density history.
    static bool Lee(const std::string& ruta, std::vector<FilaHistorial>& filas, std::string& error);

    // The same over the file's text (UTF-8); error says what is wrong, without a file name.
    static bool DeTexto(std::string_view texto, std::vector<FilaHistorial>& filas,
                        std::string& error);
};

// A density for people: at most two decimals, "0.5" rather than ".5".
std::string TextoDensidad(double densidad);

}  // namespace velqor::cli
