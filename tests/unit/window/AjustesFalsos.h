#pragma once
// An in-memory settings store; "roto" makes every call fail as an unavailable store does.

#include <map>
#include <stdexcept>
#include <string>

#include "window/AlmacenAjustes.h"

namespace velqor::prueba {

class AjustesFalsos final : public ventana::AlmacenAjustes {
  public:
    std::string Lee(const std::string& aplicacion, const std::string& seccion,
                    const std::string& clave, const std::string& porDefecto) const override {
        if (roto) throw std::runtime_error("settings store unavailable");
        const auto it = valores.find(aplicacion + "/" + seccion + "/" + clave);
        return it == valores.end() ? porDefecto : it->second;
    }
    void Guarda(const std::string& aplicacion, const std::string& seccion, const std::string& clave,
                const std::string& valor) override {
        if (roto) throw std::runtime_error("settings store unavailable");
        valores[aplicacion + "/" + seccion + "/" + clave] = valor;
    }

    // Keys as "Velqor/Comun/Usuario".
    std::map<std::string, std::string> valores;
    bool roto = false;
};

}  // namespace velqor::prueba
