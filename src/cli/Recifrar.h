#pragma once
// rekey: rewrites connection definitions (.cfp) and launch configurations under this
// installation's key, whatever key they were written under that this installation can open.

#include "cli/Comando.h"

namespace velqor::cli {

class Recifrar final : public Comando {
  public:
    std::string Nombre() const override { return "rekey"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
