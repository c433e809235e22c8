#pragma once
// Facts about the running program: its version information and where it lives.

#include <string>

namespace velqor {

// The version information the program carries (company name, version 2.0.7).
struct VersionPrograma {
    static constexpr const char* kEmpresa = "Dransk";  // the key text of every keyed coding
    static constexpr int kMayor = 2;
    static constexpr int kMenor = 0;
    static constexpr int kRevision = 7;
};

// The folder of the running executable (no trailing separator); "." when it cannot be found.
std::string CarpetaPrograma();

// The running executable's file name without folder or extension (e.g. "velqor"); "velqor" when
// it cannot be found.
std::string NombreEjecutable();

// Joins a folder and a name with the platform's separator ("/" here); an empty folder gives the name.
std::string UneRuta(const std::string& carpeta, const std::string& nombre);

}  // namespace velqor
