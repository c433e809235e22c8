#pragma once
// AjustesQSettings: the per-user settings store on QSettings (organisation "Velqor", the given
// application, one group per section).

#include "window/AlmacenAjustes.h"

namespace velqor::ventana {

class AjustesQSettings final : public AlmacenAjustes {
  public:
    // The stored text, or porDefecto when the key is missing.
    std::string Lee(const std::string& aplicacion, const std::string& seccion,
                    const std::string& clave, const std::string& porDefecto) const override;
    // Stores valor and flushes it; throws std::runtime_error when the store cannot be written.
    void Guarda(const std::string& aplicacion, const std::string& seccion, const std::string& clave,
                const std::string& valor) override;
};

}  // namespace velqor::ventana
