#include "cli/CrearLlave.h"

#include <unistd.h>

#include "components/LlaveInstalacion.h"

namespace velqor::cli {

std::string CrearLlave::Resumen() const {
    return "Make this installation's own key for passwords in definitions and launch files.";
}

std::string CrearLlave::Ayuda() const {
    return "Usage: velqor-config init-key [--system [--group GROUP]]\n"
           "\n"
           "Makes a random 256-bit key for this installation; it is never printed. From then on\n"
           "the passwords of connection definitions (.cfp) and launch configurations (.ZEVcos)\n"
           "are encrypted under it, so a copied file is of no use on another machine or to\n"
           "another user. Files written before are still read, with a warning that says how to\n"
           "rewrite them (velqor-config rekey FILE...). A key is never replaced.\n"
           "\n"
           "Where the key goes:\n"
           "  this user's:  $XDG_CONFIG_HOME/velqor/key (default ~/.config/velqor/key), mode 0600\n"
           "  --system:     /etc/velqor/key (or the file VELQOR_SYSTEM_KEY names), made by root,\n"
           "                mode 0600, or 0640 with --group for the group of a service's user\n"
           "Files are written under this user's key when there is one, else under the system's;\n"
           "they are read under either.\n"
           "\n"
           "Options:\n"
           "  --system        make the key of the machine's services (as root)\n"
           "  --group GROUP   with --system: let GROUP read the key (mode 0640)\n"
           "  --help          show this help\n";
}

std::vector<Opcion> CrearLlave::Opciones() const { return {{"system", false}, {"group", true}}; }

int CrearLlave::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 0, "", consola, codigo)) return codigo;
    const bool sistema = argumentos.Tiene("system");
    std::optional<std::string> grupo;
    if (argumentos.Tiene("group")) {
        if (!sistema) return MalUso(consola, "--group goes with --system");
        std::string nombre;
        if (!ExigeValor(argumentos, "group", nombre, consola, codigo)) return codigo;
        grupo = nombre;
    }
    if (sistema && ::geteuid() != 0) {
        return Falla(consola,
                     "the system's key is made by root: sudo velqor-config init-key "
                     "--system");
    }
    const std::string ruta =
        sistema ? LlaveInstalacion::RutaSistema() : LlaveInstalacion::RutaUsuario();
    if (ruta.empty()) return Falla(consola, "neither XDG_CONFIG_HOME nor HOME is set");
    std::string error;
    if (!LlaveInstalacion::Crea(ruta, !sistema, grupo, error)) return Falla(consola, error);
    consola.salida << "Installation key written to " << ruta
                   << "; passwords written from now on are encrypted under it.\n"
                   << "Rewrite older definitions and launch configurations with: velqor-config "
                      "rekey FILE...\n";
    return kExito;
}

}  // namespace velqor::cli
