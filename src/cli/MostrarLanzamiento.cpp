#include "cli/MostrarLanzamiento.h"

#include <nlohmann/json.hpp>

#include "components/Lanzamiento.h"
#include "common/Archivo.h"
#include "common/General.h"

namespace velqor::cli {

std::string MostrarLanzamiento::Resumen() const {
    return "Show what a launch configuration holds (password masked).";
}

std::string MostrarLanzamiento::Ayuda() const {
    return "Usage: velqor-config show-launch FILE [--json]\n"
           "\n"
           "Prints the seven values of the launch configuration FILE by name; the password is\n"
           "shown as asterisks of a fixed length. A file that was altered, cut short or written\n"
           "by another program is an error. A file that users other than its owner may read\n"
           "gets a warning on standard error (it holds a password).\n"
           "\n"
           "Options:\n"
           "  --json    print one JSON object instead (the password still masked)\n"
           "  --help    show this help\n";
}

int MostrarLanzamiento::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 1, "FILE", consola, codigo)) return codigo;
    Lanzamiento l;
    std::string error;
    const std::string& ruta = argumentos.Posicionales()[0];
    if (!Lanzamiento::Lee(ruta, l, error)) return Falla(consola, error);
    if (LegiblePorOtros(ruta)) consola.error << AvisoLegiblePorOtros(ruta) << '\n';
    if (argumentos.Tiene("json")) {
        consola.salida << nlohmann::json{{"database", l.entrada},
                                         {"reportFolder", l.carpetaInforme},
                                         {"user", l.usuario},
                                         {"passwordSet", !l.clave.empty()},
                                         {"reserved", l.reservado},
                                         {"usersOnLine", l.enLinea},
                                         {"backupFolder", l.carpetaBackup}}
                              .dump(2)
                       << '\n';
        return kExito;
    }
    consola.salida << "0 Database:       " << l.entrada << '\n'
                   << "1 Report folder:  " << l.carpetaInforme << '\n'
                   << "2 User:           " << l.usuario << '\n'
                   << "3 Password:       " << (l.clave.empty() ? "(empty)" : "********") << '\n'
                   << "4 Reserved:       " << l.reservado << '\n'
                   << "5 Users on line:  " << (l.enLinea ? "yes (defragment)" : "no (rebuild)")
                   << '\n'
                   << "6 Backup folder:  " << l.carpetaBackup << '\n';
    return kExito;
}

}  // namespace velqor::cli
