#include "cli/EscribirLanzamiento.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "cli/Clave.h"
#include "cli/Definicion.h"
#include "components/Lanzamiento.h"
#include "common/General.h"
#include "common/Texto1252.h"
#include "engine/Velqor.h"

namespace velqor::cli {

namespace {

// The list entry is a definition's file name without ".cfp", as the window's database list shows
// it.
bool EntradaValida(const std::string& entrada, std::string& error) {
    if (entrada.find_first_of("/\\") != std::string::npos) {
        error = "--database takes the database-list entry (the definition's name), not a path";
        return false;
    }
    if (entrada.size() >= 4) {
        std::string extension = entrada.substr(entrada.size() - 4);
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (extension == ".cfp") {
            error = "--database takes the definition's name without \".cfp\": " +
                    entrada.substr(0, entrada.size() - 4);
            return false;
        }
    }
    return true;
}

// What the window's Save would refuse: an entry that is not a definition beside the program, no
// backup folder for a server that is not in the cloud, and a report folder that is not absolute
// (an unattended run starts in whatever folder its scheduler chooses).
bool ComoLaVentana(const Lanzamiento& l, const std::string& carpetaPrograma, std::string& error) {
    Definicion definicion;
    if (!BuscaDefinicion(l.entrada, carpetaPrograma, definicion, error)) {
        error = "--database " + l.entrada + " is not a definition beside the program: " + error;
        return false;
    }
    if (!std::filesystem::path(l.carpetaInforme).is_absolute()) {
        error = "--report-folder must be an absolute path: the unattended run may start anywhere";
        return false;
    }
    Velqor motor;
    motor.SoloLectura();
    bool noEsSQL = false;
    if (EnBlanco(l.carpetaBackup) &&
        !(motor.Crear(definicion.carpeta, definicion.entrada, "", noEsSQL) && motor.EsCloud())) {
        // Without connecting, only the server name tells the cloud service. A cloud database
        // reached through a name of its own is asked for a folder it will never use: the pass
        // asks the server and sends the cloud service no backup.
        error = "--backup-folder is required: " + l.entrada +
                " is not a cloud database by its server name (one reached through another name "
                "sends no backup: any folder will do)";
        return false;
    }
    return true;
}

}  // namespace

std::string EscribirLanzamiento::Resumen() const {
    return "Save a launch configuration for the unattended start.";
}

std::string EscribirLanzamiento::Ayuda() const {
    return "Usage: velqor-config write-launch FILE --database ENTRY --report-folder DIR --user "
           "NAME\n"
           "           [--password-stdin | --password-file FILE | --password TEXT] (--online | "
           "--offline)\n"
           "           [--backup-folder DIR] [--program-folder DIR] [--force]\n"
           "\n"
           "Writes FILE (usually *.ZEVcos) exactly as the window's \"Save configuration for "
           "automatic\n"
           "launch\" does. Start the window program with FILE on its command line to run one pass\n"
           "unattended. The file is encrypted, authenticated and readable by its owner only.\n"
           "\n"
           "Options:\n"
           "  --database ENTRY       the database-list entry: the .cfp file's name without "
           "\".cfp\",\n"
           "                         looked up beside the program at launch time\n"
           "  --report-folder DIR    folder that receives the monthly density history (absolute)\n"
           "  --user NAME            user of the application's table UsuariosPW\n"
           "  --password-stdin       read the password from the first line of standard input\n"
           "  --password-file FILE   read the password from the first line of FILE\n"
           "  --password TEXT        the password (visible to other users in the process list)\n"
           "                         (none of these on a terminal: it is asked for without echo)\n"
           "  --online | --offline   users assumed on line (defragment) or off line (rebuild)\n"
           "  --backup-folder DIR    backup folder as the server sees it (not needed for the "
           "cloud)\n"
           "  --program-folder DIR   where the entry's definition lies (default: this program's\n"
           "                         folder); the entry must be a definition there\n"
           "  --force                replace FILE when it exists\n"
           "  --help                 show this help\n";
}

std::vector<Opcion> EscribirLanzamiento::Opciones() const {
    std::vector<Opcion> opciones{
        {"database", true}, {"report-folder", true}, {"user", true},   {"online", false},
        {"offline", false}, {"backup-folder", true}, {"force", false}, {"program-folder", true}};
    for (Opcion& o : OpcionesClave()) opciones.push_back(std::move(o));
    return opciones;
}

int EscribirLanzamiento::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    Lanzamiento lanzamiento;
    if (!ExigePosicionales(argumentos, 1, "FILE", consola, codigo) ||
        !ExigeValor(argumentos, "database", lanzamiento.entrada, consola, codigo) ||
        !ExigeValor(argumentos, "report-folder", lanzamiento.carpetaInforme, consola, codigo) ||
        !ExigeValor(argumentos, "user", lanzamiento.usuario, consola, codigo)) {
        return codigo;
    }
    std::string error;
    if (!EntradaValida(lanzamiento.entrada, error)) return MalUso(consola, error);
    if (!LeeClave(argumentos, consola, lanzamiento.clave, error)) return MalUso(consola, error);
    if (EnBlanco(lanzamiento.clave)) return MalUso(consola, "the password must not be blank");
    if (argumentos.Tiene("online") == argumentos.Tiene("offline")) {
        return MalUso(consola, "give exactly one of --online and --offline");
    }
    lanzamiento.enLinea = argumentos.Tiene("online");
    lanzamiento.carpetaBackup = argumentos.Valor("backup-folder").value_or("");
    if (!ComoLaVentana(lanzamiento, CarpetaDePrograma(argumentos), error)) {
        return MalUso(consola, error);
    }

    const std::string& ruta = argumentos.Posicionales()[0];
    std::error_code ec;
    if (std::filesystem::exists(ruta, ec) && !argumentos.Tiene("force")) {
        return Falla(consola, ruta + " already exists; add --force to replace it");
    }
    if (!lanzamiento.Guarda(ruta)) return Falla(consola, "could not write " + ruta);
    consola.salida << "Launch configuration written to " << ruta << '\n';
    const std::string aviso = AvisoCarpetaInforme(lanzamiento.carpetaInforme);
    if (!aviso.empty()) consola.error << "velqor-config: " << aviso << '\n';
    return kExito;
}

}  // namespace velqor::cli
