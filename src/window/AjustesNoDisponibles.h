#pragma once
// AjustesNoDisponibles: the settings store of a run without a window. An unattended run neither
// reads nor changes the operator's remembered settings, so every use of the store fails.

#include "window/AlmacenAjustes.h"

namespace velqor::ventana {

class AjustesNoDisponibles final : public AlmacenAjustes {
  public:
    // Throws std::runtime_error: there is no store to read.
    std::string Lee(const std::string& aplicacion, const std::string& seccion,
                    const std::string& clave, const std::string& porDefecto) const override;
    // Throws std::runtime_error: nothing is stored.
    void Guarda(const std::string& aplicacion, const std::string& seccion, const std::string& clave,
                const std::string& valor) override;
};

}  // namespace velqor::ventana
