#pragma once
// write-cfp: writes a connection definition (".cfp", docs/cfp-format.md) with its password
// encrypted, checked by loading it back before it takes the file's place.

#include "cli/Comando.h"

namespace velqor::cli {

class EscribirCfp final : public Comando {
  public:
    std::string Nombre() const override { return "write-cfp"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override;
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
