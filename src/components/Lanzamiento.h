#pragma once
// Lanzamiento: the launch configuration (".ZEVcos"), one record for the window's Save, its
// unattended start, and velqor-config's write-launch, show-launch and plan. Its seven values are
// stored in this order; the file itself is Codificador's (docs/launch-config.md), keyed with the
// company name.

#include <cstdint>
#include <string>

#include "common/Valor.h"

namespace velqor {

struct Lanzamiento {
    std::string entrada;         // 0: the database-list entry (definition name without ".cfp")
    std::string carpetaInforme;  // 1: report folder (density history)
    std::string usuario;         // 2: user name
    std::string clave;           // 3: password, as typed
    int32_t reservado = 0;       // 4: always 0, not read back
    bool enLinea = false;        // 5: users assumed on line
    std::string carpetaBackup;   // 6: backup folder as the server sees it

    // How a read ended.
    enum class Lectura { Leida, NoExiste, Ilegible, OtraInstalacion, Incompleta };

    // The seven values with their kinds: String, String, String, String, Long, Boolean, String.
    Lista ALista() const;
    // Reads the seven values back; false with error when the list is not seven values of those
    // kinds. Value 4 may be any number; value 5 is True only as a True Boolean or a non-zero
    // number, and any other value (Null, Empty) reads as False.
    static bool DeLista(const Lista& valores, Lanzamiento& lanzamiento, std::string& error);

    // Writes ruta with Codificador::GuardaArchivo under the company name, readable by the owner
    // only.
    bool Guarda(const std::string& ruta) const;
    // Reads ruta under this installation's keys (Codificador::LeeArchivoConLlave); a file under
    // the shared key is read with a warning on how to rewrite it. False leaves lanzamiento as it
    // was, words why in error and, given como, tells it there: a missing file (NoExiste; a
    // relative path names the working directory), a tampered or foreign file (Ilegible), one
    // written under another installation's key (OtraInstalacion), one that does not hold the
    // seven values (Incompleta).
    static bool Lee(const std::string& ruta, Lanzamiento& lanzamiento, std::string& error,
                    Lectura* como = nullptr);

    // ruta as a reader should see it: a relative path followed by the working directory it is
    // relative to, in parentheses; an absolute path as it is.
    static std::string RutaExplicada(const std::string& ruta);
};

}  // namespace velqor
