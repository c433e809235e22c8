#pragma once
// Lanzamiento: the seven values of a launch configuration (".ZEVcos"), in the order the window
// saves them and the unattended start reads them. The file itself is Codificador's
// (docs/launch-config.md), keyed with the company name.

#include <string>

#include "common/Valor.h"

namespace velqor::cli {

struct Lanzamiento {
    std::string entrada;         // 0: the database-list entry (definition name without ".cfp")
    std::string carpetaInforme;  // 1: report folder (density history)
    std::string usuario;         // 2: user name
    std::string clave;           // 3: password, as typed
    int32_t reservado = 0;       // 4: always 0, not read back
    bool enLinea = false;        // 5: users assumed on line
    std::string carpetaBackup;   // 6: backup folder as the server sees it

    // The seven values with their kinds: String, String, String, String, Long, Boolean, String.
    Lista ALista() const;
    // Reads the seven values back; false with error when the list is not seven values of those
    // kinds (value 4 may be any number).
    static bool DeLista(const Lista& valores, Lanzamiento& lanzamiento, std::string& error);

    // Writes ruta with Codificador::GuardaArchivo under the company name, readable by the owner
    // only.
    bool Guarda(const std::string& ruta) const;
    // Reads ruta with Codificador::LeeArchivo; false with error for a missing, tampered or foreign
    // file, or one that does not hold the seven values.
    static bool Lee(const std::string& ruta, Lanzamiento& lanzamiento, std::string& error);
};

}  // namespace velqor::cli
