#pragma once
// show-launch: prints the seven values of a launch configuration by name, the password masked.

#include "cli/Comando.h"

namespace velqor::cli {

class MostrarLanzamiento final : public Comando {
  public:
    std::string Nombre() const override { return "show-launch"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override { return {{"json", false}}; }
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
