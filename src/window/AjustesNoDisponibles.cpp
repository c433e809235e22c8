#include "window/AjustesNoDisponibles.h"

#include <stdexcept>

namespace velqor::ventana {

namespace {

[[noreturn]] void Falla(const std::string& seccion, const std::string& clave) {
    throw std::runtime_error("no settings store in a run without a window: " + seccion + "/" +
                             clave);
}

}  // namespace

std::string AjustesNoDisponibles::Lee(const std::string&, const std::string& seccion,
                                      const std::string& clave, const std::string&) const {
    Falla(seccion, clave);
}

void AjustesNoDisponibles::Guarda(const std::string&, const std::string& seccion,
                                  const std::string& clave, const std::string&) {
    Falla(seccion, clave);
}

}  // namespace velqor::ventana
