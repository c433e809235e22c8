#pragma once
// While it lives, the notices the core would show in a message box, and the warnings it would
// log, go to the command's standard error instead, one line each.

#include "cli/Consola.h"
#include "common/General.h"

namespace velqor::cli {

class AvisosEnConsola {
  public:
    explicit AvisosEnConsola(Consola& consola) {
        InstalaCuadroMensaje([&consola](const std::string& texto, const std::string&) {
            consola.error << "velqor-config: " << texto << '\n';
        });
        InstalaSalidaAvisos([&consola](const std::string& texto) {
            consola.error << "velqor-config: warning: " << texto << '\n';
        });
    }
    ~AvisosEnConsola() {
        InstalaCuadroMensaje({});
        InstalaSalidaAvisos({});
    }
    AvisosEnConsola(const AvisosEnConsola&) = delete;
    AvisosEnConsola& operator=(const AvisosEnConsola&) = delete;
};

}  // namespace velqor::cli
