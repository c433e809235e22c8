#pragma once
// Runs velqor-config in-process over string streams.

#include <sstream>
#include <string>
#include <vector>

#include "cli/VelqorConfig.h"

namespace velqor::prueba {

struct ResultadoCli {
    int codigo;
    std::string salida;
    std::string error;
};

inline ResultadoCli EjecutaCli(const std::vector<std::string>& argumentos,
                               const std::string& entrada = {}) {
    std::istringstream in(entrada);
    std::ostringstream out, err;
    cli::Consola consola{in, out, err};
    const int codigo = cli::VelqorConfig().Ejecuta(argumentos, consola);
    return {codigo, out.str(), err.str()};
}

}  // namespace velqor::prueba
