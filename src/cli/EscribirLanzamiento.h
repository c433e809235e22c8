#pragma once
// write-launch: saves a launch configuration, the same seven values the window's
// "Save configuration for automatic launch" writes, for the program's unattended start.

#include "cli/Comando.h"

namespace velqor::cli {

class EscribirLanzamiento final : public Comando {
  public:
    std::string Nombre() const override { return "write-launch"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
