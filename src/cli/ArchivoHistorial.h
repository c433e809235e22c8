#pragma once
// ArchivoHistorial: density history files (".ZEVeri", one per month) read for printing, through
// the engine's own loading of a month (MesHistorial: file and journals), and densities written
// for people.

#include <optional>
#include <string>
#include <vector>

#include "engine/HistorialDensidad.h"

namespace velqor::cli {

class ArchivoHistorial {
  public:
    // Reads the month whose history file is ruta: the file and the journals beside it
    // (MesHistorial::Carga), rows ordered; the journals alone when the file was never written. An
    // empty file is an empty history. False with error (one sentence naming the file and what is
    // wrong) when neither the file nor a journal exists, the file cannot be read, its text is
    // damaged (a checksum or length that does not agree) or it does not hold a density history.
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
