#pragma once
// Where velqor-config finds a connection definition: a path to a ".cfp" file, or an entry name
// looked up in the program folder (velqor-config's own folder, or --program-folder DIR), as the
// window's database list offers it.

#include <string>

#include "cli/Argumentos.h"

namespace velqor::cli {

struct Definicion {
    std::string carpeta;  // the folder that holds the .cfp file
    std::string entrada;  // its name without ".cfp"
    // How the connection is to be encrypted, in words: "required (yes), certificate checked
    // against ..." or "left to the driver".
    std::string cifrado;
    // What is checked of the server's certificate, as the driver is told it: "FreeTDS checks that
    // it chains to ... and names HOST", "not checked: ...", or empty when another driver decides.
    std::string comprobacion;
};

// The program folder: --program-folder when given, else the folder of the running program.
std::string CarpetaDePrograma(const Argumentos& argumentos);

// Resolves texto (a path ending in ".cfp", or an entry name) and loads the definition as the engine
// would; false with error (one sentence naming the file and why) when it does not load or is not a
// SQL Server definition.
bool BuscaDefinicion(const std::string& texto, const std::string& carpetaPrograma,
                     Definicion& definicion, std::string& error);

}  // namespace velqor::cli
