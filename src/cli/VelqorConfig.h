#pragma once
// VelqorConfig: the velqor-config program, a list of subcommands and the dispatch between them.
// main() only hands it the command line and the standard streams.

#include <memory>
#include <string>
#include <vector>

#include "cli/Comando.h"
#include "cli/Consola.h"

namespace velqor::cli {

class VelqorConfig {
  public:
    // Holds every subcommand.
    VelqorConfig();

    // Runs argumentos (the words after the program's name): "SUBCOMMAND ...", "--help",
    // "help [SUBCOMMAND]" or "--version". Answers the exit code; never throws.
    int Ejecuta(const std::vector<std::string>& argumentos, Consola& consola) const;

    // The program's help: usage and the list of subcommands.
    std::string Ayuda() const;

  private:
    const Comando* Busca(const std::string& nombre) const;

    std::vector<std::unique_ptr<Comando>> comandos_;
};

}  // namespace velqor::cli
