#pragma once
// velqor-config set-user: adds a user to the application's table UsuariosPW, or gives one a new
// password (and code), over the definition's own connection. It shows the statement and sends it
// only when the operator agrees (or --yes says so beforehand).

#include "cli/Comando.h"

namespace velqor::cli {

class FijarUsuario final : public Comando {
  public:
    std::string Nombre() const override { return "set-user"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
