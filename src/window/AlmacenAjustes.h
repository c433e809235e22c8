#pragma once
// AlmacenAjustes: the per-user settings store, text values by application, section and key.

#include <string>

namespace velqor::ventana {

class AlmacenAjustes {
  public:
    virtual ~AlmacenAjustes() = default;
    // The stored value, or porDefecto when the key is missing. May throw when the store is
    // unavailable.
    virtual std::string Lee(const std::string& aplicacion, const std::string& seccion,
                            const std::string& clave, const std::string& porDefecto) const = 0;
    // Stores valor, creating the key. May throw when the store is unavailable.
    virtual void Guarda(const std::string& aplicacion, const std::string& seccion,
                        const std::string& clave, const std::string& valor) = 0;
};

}  // namespace velqor::ventana
