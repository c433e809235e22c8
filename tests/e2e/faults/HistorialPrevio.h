#pragma once
// A month's density history written before a run, and the check that the run kept it: the file
// still reads back and holds the earlier row unchanged (a run may add rows and measurements), or
// the engine set the file aside unchanged as <file>.damaged-<time>.

#include <string>

#include "common/Valor.h"

namespace velqor::prueba {

class HistorialPrevio {
  public:
    // Writes a history of one row (index Antigua.PK_Antigua, one rebuild) to ruta; danado alters
    // one letter of it, so that it no longer reads back.
    explicit HistorialPrevio(std::string ruta, bool danado = false);

    // Empty when the earlier row is still in the file at ruta; otherwise what went wrong.
    std::string Perdida() const;

  private:
    std::string ruta_;
    std::string bytes_;
    Valor fila_;
};

}  // namespace velqor::prueba
