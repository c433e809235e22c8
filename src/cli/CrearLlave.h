#pragma once
// init-key: makes this installation's key (LlaveInstalacion), for this user or, with --system, for
// the services of the machine. The key is never printed.

#include "cli/Comando.h"

namespace velqor::cli {

class CrearLlave final : public Comando {
  public:
    std::string Nombre() const override { return "init-key"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
