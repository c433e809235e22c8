#pragma once
// A month's density history written before a run, and the check that the run kept it: the file
// still reads back and holds the earlier row unchanged (a run may add rows and measurements), or
// the engine set a copy of it aside.

#include <string>

#include "common/Valor.h"

namespace velqor::prueba {

class HistorialPrevio {
  public:
    // Writes a history of one row (index Antigua.PK_Antigua, one rebuild) to ruta.
    explicit HistorialPrevio(std::string ruta);

    // Empty when the earlier row is still in the file at ruta; otherwise what went wrong.
    std::string Perdida() const;

  private:
    std::string ruta_;
    std::string bytes_;
    Valor fila_;
};

}  // namespace velqor::prueba
