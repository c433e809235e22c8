#pragma once
// ArchivoHistorial: density history files (".ZEVeri", one per month) read for printing, through
// the engine's own conversion (TextoHistorial), and densities written for people.

#include <optional>
#include <string>
#include <vector>

#include "engine/HistorialDensidad.h"

namespace velqor::cli {

class ArchivoHistorial {
  public:
    // Reads the file at ruta, rows in the file's order. An empty file is an empty history. False
    // with error (one sentence naming the file and what is wrong) when the file cannot be read,
    // its text is damaged (a checksum or length that does not agree) or it does not hold a
    // density history.
    static bool Lee(const std::string& ruta, HistorialDensidad& historial, std::string& error);

    // Reads every month that rutas name (history files, or folders whose month files
    // NAME_yyyy_mm.ZEVeri are all read) into one history, a treatment held by two files counted
    // once; archivos receives the files read, folders' files in name order. False with error when
    // a file cannot be read (as Lee), a folder holds no month file or the months of several
    // definitions (they would mix databases).
    static bool LeeMeses(const std::vector<std::string>& rutas, HistorialDensidad& historial,
                         std::vector<std::string>& archivos, std::string& error);
};

// A density for people: at most two decimals, "0.5" rather than ".5".
std::string TextoDensidad(double densidad);
// A density with its percent sign ("62.5%"), or "unread" when there is none.
std::string TextoPorciento(std::optional<double> densidad);

}  // namespace velqor::cli
