#pragma once
// velqor-config check: connects as a pass connects and tells, one fact a line, what tonight's pass
// will meet: the server, the database, its recovery model and last backup, its files, the
// application's user table, the indexes under the threshold and the steps that will not apply.

#include "cli/Comando.h"

namespace velqor::cli {

class Comprobar final : public Comando {
  public:
    std::string Nombre() const override { return "check"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
