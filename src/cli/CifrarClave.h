#pragma once
// hash-password: prints the stored form of an application password, the value to put into
// UsuariosPW.Usuario_PW so that the operator check accepts that password.

#include "cli/Comando.h"

namespace velqor::cli {

class CifrarClave final : public Comando {
  public:
    std::string Nombre() const override { return "hash-password"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

    // The stored form of clave: Codificador::Cifra under the company name of the upper-cased text.
    static std::string FormaGuardada(const std::string& clave);

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
