#pragma once
// history: prints density history months as one table with the advice they show, and optionally
// as an HTML page (overview, advice, one chart per index).

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
