#pragma once
// While it lives, the notices the core would show in a message box go to the command's standard
// error instead, one line each.

#include "cli/Consola.h"
#include "common/General.h"

namespace velqor::cli {

class AvisosEnConsola {
  public:
    explicit AvisosEnConsola(Consola& consola) {
        InstalaCuadroMensaje([&consola](const std::string& texto, const std::string&) {
            consola.error << "velqor-config: " << texto << '\n';
        });
    }
    ~AvisosEnConsola() { InstalaCuadroMensaje({}); }
    AvisosEnConsola(const AvisosEnConsola&) = delete;
    AvisosEnConsola& operator=(const AvisosEnConsola&) = delete;
};

}  // namespace velqor::cli
