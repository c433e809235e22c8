#pragma once
// ArchivoHistorial: a month's density history file (".ZEVeri") read for printing, through the
// engine's own conversion (TextoHistorial), and densities written for people.

#include <string>

#include "engine/HistorialDensidad.h"

namespace velqor::cli {

class ArchivoHistorial {
  public:
    // Reads the file at ruta, rows in the file's order. An empty file is an empty history. False
    // with error (one sentence naming the file and what is wrong) when the file cannot be read,
    // its text is damaged (a checksum or length that does not agree) or it does not hold a
    // density history.
    static bool Lee(const std::string& ruta, HistorialDensidad& historial, std::string& error);
};

// A density for people: at most two decimals, "0.5" rather than ".5".
std::string TextoDensidad(double densidad);

}  // namespace velqor::cli
