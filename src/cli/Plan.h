#pragma once
// velqor-config plan: the dry run of a launch configuration. It runs the real pass over a
// connection that lets only reading statements reach the server and writes the others down, then
// prints every statement in order, the densities that decide the treatments, the count of indexes
// to treat and the steps that will not apply. It writes no report, history or log.

#include "cli/Comando.h"

namespace velqor::cli {

class Plan final : public Comando {
  public:
    std::string Nombre() const override { return "plan"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
