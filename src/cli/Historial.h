#pragma once
// history: prints a month's density history file as a table, and optionally as an HTML page with
// one chart per index.

#include "cli/Comando.h"

namespace velqor::cli {

class Historial final : public Comando {
  public:
    std::string Nombre() const override { return "history"; }
    std::string Resumen() const override;
    std::string Ayuda() const override;

  protected:
    std::vector<Opcion> Opciones() const override {
        return {{"html", true}, {"force", false}, {"json", false}};
    }
    int Corre(const Argumentos& argumentos, Consola& consola) const override;
};

}  // namespace velqor::cli
