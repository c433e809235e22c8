#include "cli/VelqorConfig.h"

#include <iomanip>
#include <sstream>

#include "cli/AvisosEnConsola.h"
#include "cli/CifrarClave.h"
#include "cli/Comprobar.h"
#include "cli/CrearLlave.h"
#include "cli/EscribirCfp.h"
#include "cli/EscribirLanzamiento.h"
#include "cli/FijarUsuario.h"
#include "cli/Historial.h"
#include "cli/MostrarLanzamiento.h"
#include "cli/Plan.h"
#include "cli/Recifrar.h"
#include "common/Proceso.h"

namespace velqor::cli {

VelqorConfig::VelqorConfig() {
    comandos_.push_back(std::make_unique<EscribirLanzamiento>());
    comandos_.push_back(std::make_unique<MostrarLanzamiento>());
    comandos_.push_back(std::make_unique<EscribirCfp>());
    comandos_.push_back(std::make_unique<CifrarClave>());
    comandos_.push_back(std::make_unique<FijarUsuario>());
    comandos_.push_back(std::make_unique<Historial>());
    comandos_.push_back(std::make_unique<Comprobar>());
    comandos_.push_back(std::make_unique<Plan>());
    comandos_.push_back(std::make_unique<CrearLlave>());
    comandos_.push_back(std::make_unique<Recifrar>());
}

std::string VelqorConfig::Ayuda() const {
    std::ostringstream texto;
    texto << "Usage: velqor-config SUBCOMMAND [OPTIONS]\n"
          << "\n"
          << "Companion of the Velqor maintenance tool: launch configurations, connection\n"
          << "definitions, application passwords and the density history, without a window.\n"
          << "\n"
          << "Subcommands:\n";
    for (const auto& comando : comandos_) {
        texto << "  " << std::left << std::setw(15) << comando->Nombre() << comando->Resumen()
              << '\n';
    }
    texto << "\n"
          << "Run 'velqor-config SUBCOMMAND --help' for the options of one subcommand.\n"
          << "Exit status: 0 done, 1 the operation failed, 2 wrong command line.\n";
    return texto.str();
}

const Comando* VelqorConfig::Busca(const std::string& nombre) const {
    for (const auto& comando : comandos_) {
        if (comando->Nombre() == nombre) return comando.get();
    }
    return nullptr;
}

int VelqorConfig::Ejecuta(const std::vector<std::string>& argumentos, Consola& consola) const {
    if (argumentos.empty()) {
        consola.error << Ayuda();
        return kMalUso;
    }
    const std::string& primero = argumentos[0];
    if (primero == "--help" || primero == "-h" || (primero == "help" && argumentos.size() == 1)) {
        consola.salida << Ayuda();
        return kExito;
    }
    if (primero == "--version") {
        consola.salida << "velqor-config " << VersionPrograma::kMayor << '.'
                       << VersionPrograma::kMenor << '.' << VersionPrograma::kRevision << '\n';
        return kExito;
    }
    if (primero == "help") {
        if (const Comando* comando = Busca(argumentos[1])) {
            consola.salida << comando->Ayuda();
            return kExito;
        }
    } else if (const Comando* comando = Busca(primero)) {
        const AvisosEnConsola avisos(consola);
        return comando->Ejecuta({argumentos.begin() + 1, argumentos.end()}, consola);
    }
    const std::string& nombre = primero == "help" ? argumentos[1] : primero;
    consola.error << "velqor-config: unknown subcommand '" << nombre << "'\n"
                  << "Run 'velqor-config --help' for the list of subcommands.\n";
    return kMalUso;
}

}  // namespace velqor::cli
