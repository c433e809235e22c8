#pragma once
// An installation of its own for one test: while it lives, this process (and what it starts) finds
// the user's installation key under a fresh XDG_CONFIG_HOME and the system's key at a path of that
// folder; nothing of the machine's own keys is seen. The environment is put back afterwards.

#include <stdlib.h>

#include <optional>
#include <string>

#include "CarpetaTemporal.h"
#include "components/LlaveInstalacion.h"

namespace velqor::prueba {

class LlavesPrueba {
  public:
    LlavesPrueba() : xdg_(Anterior("XDG_CONFIG_HOME")), sistema_(Anterior("VELQOR_SYSTEM_KEY")) {
        ::setenv("XDG_CONFIG_HOME", carpeta_.En("config").c_str(), 1);
        ::setenv("VELQOR_SYSTEM_KEY", carpeta_.En("system-key").c_str(), 1);
    }
    ~LlavesPrueba() {
        Restaura("XDG_CONFIG_HOME", xdg_);
        Restaura("VELQOR_SYSTEM_KEY", sistema_);
    }
    LlavesPrueba(const LlavesPrueba&) = delete;
    LlavesPrueba& operator=(const LlavesPrueba&) = delete;

    // Makes this installation's user key; false when it cannot.
    bool CreaLlave() const {
        std::string error;
        return LlaveInstalacion::Crea(LlaveInstalacion::RutaUsuario(), true, std::nullopt, error);
    }
    // The folder XDG_CONFIG_HOME points at.
    std::string Config() const { return carpeta_.En("config"); }

  private:
    static std::optional<std::string> Anterior(const char* nombre) {
        const char* v = ::getenv(nombre);
        return v ? std::optional<std::string>(v) : std::nullopt;
    }
    static void Restaura(const char* nombre, const std::optional<std::string>& valor) {
        if (valor) {
            ::setenv(nombre, valor->c_str(), 1);
        } else {
            ::unsetenv(nombre);
        }
    }

    CarpetaTemporal carpeta_;
    std::optional<std::string> xdg_, sistema_;
};

}  // namespace velqor::prueba
