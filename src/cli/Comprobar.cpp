#include "cli/Comprobar.h"

#include <exception>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/AvisosEnConsola.h"
#include "cli/Definicion.h"
#include "cli/MotorDeDefinicion.h"
#include "common/General.h"
#include "engine/Diagnostico.h"
#include "engine/EleccionTrato.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor::cli {
namespace {

std::string Fecha(const Diagnostico& d) {
    if (!d.historiaBackups) return "not shown by this server";
    return d.ultimoBackup ? Formatea(*d.ultimoBackup, "yyyy-mm-dd hh:nn:ss") : "never";
}

std::string Cifrado(const Diagnostico& d, const Definicion& definicion) {
    const std::string estado =
        !d.cifrada ? "the server does not say" : (*d.cifrada ? "encrypted" : "not encrypted");
    return estado + "; encryption " + definicion.cifrado;
}

// How many indexes fall in each branch: "3 rebuild, 2 defragment, 1 left alone, ...".
std::string TextoRamas(const std::map<EleccionTrato::Rama, int32_t>& ramas) {
    std::string texto;
    for (const auto& [rama, cuantos] : ramas)
        texto += (texto.empty() ? "" : ", ") + std::to_string(cuantos) + " " +
                 EleccionTrato::Texto(rama);
    return texto.empty() ? "nothing to treat" : texto;
}

nlohmann::json JsonRamas(const std::map<EleccionTrato::Rama, int32_t>& ramas) {
    nlohmann::json j = nlohmann::json::object();
    for (const auto& [rama, cuantos] : ramas) j[EleccionTrato::Texto(rama)] = cuantos;
    return j;
}

void Texto(const Diagnostico& d, const Definicion& definicion, std::ostream& salida) {
    const auto linea = [&salida](const char* que, const std::string& valor) {
        salida << que << valor << '\n';
    };
    linea("Server:           ", d.producto + " " + d.version + ", " + d.edicion +
                                    ", engine edition " + std::to_string(d.edicionMotor));
    linea("Connection:       ", Cifrado(d, definicion));
    if (!definicion.comprobacion.empty()) linea("Certificate:      ", definicion.comprobacion);
    linea("Database:         ", d.base);
    linea("Recovery model:   ", d.recuperacion.empty() ? "not shown" : d.recuperacion);
    linea("Last backup:      ", Fecha(d));
    for (const ArchivoBase& a : d.archivos) {
        linea("File:             ",
              a.nombre + " (" + a.tipo + ", " + std::to_string(a.mb) + " MB)");
    }
    linea("User table:       ", d.tablaUsuarios
                                    ? "UsuariosPW, " + std::to_string(d.usuarios) + " user(s)"
                                    : "UsuariosPW is missing: the pass cannot check its operator");
    linea("Indexes:          ", std::to_string(d.indices) + " surveyed, " +
                                    std::to_string(d.aTratar) + " under 100 % scan density");
    linea("Policy:           ", d.politica.Texto());
    linea("Users off line:   ", TextoRamas(d.ramasFueraDeLinea));
    linea("Users on line:    ", TextoRamas(d.ramasEnLinea));
    if (d.noAplican.empty()) linea("Every step applies", "");
    for (const PasoNoAplica& p : d.noAplican) linea("Will not apply:   ", p.paso + ": " + p.motivo);
}

nlohmann::json Json(const Diagnostico& d, const Definicion& definicion) {
    nlohmann::json archivos = nlohmann::json::array();
    for (const ArchivoBase& a : d.archivos)
        archivos.push_back({{"name", a.nombre}, {"type", a.tipo}, {"sizeMB", a.mb}});
    nlohmann::json pasos = nlohmann::json::array();
    for (const PasoNoAplica& p : d.noAplican)
        pasos.push_back({{"step", p.paso}, {"reason", p.motivo}});
    nlohmann::json j = {
        {"version", d.version}, {"edition", d.edicion},         {"engineEdition", d.edicionMotor},
        {"cloud", d.nube},      {"database", d.base},           {"recoveryModel", d.recuperacion},
        {"files", archivos},    {"userTable", d.tablaUsuarios}, {"users", d.usuarios},
        {"indexes", d.indices}, {"indexesToTreat", d.aTratar},  {"stepsNotApplying", pasos}};
    j["lastBackup"] = d.historiaBackups && d.ultimoBackup
                          ? nlohmann::json(Formatea(*d.ultimoBackup, "yyyy-mm-dd hh:nn:ss"))
                          : nlohmann::json(nullptr);
    j["backupHistoryShown"] = d.historiaBackups;
    j["encrypted"] = d.cifrada ? nlohmann::json(*d.cifrada) : nlohmann::json(nullptr);
    j["encryption"] = definicion.cifrado;
    j["certificateCheck"] = definicion.comprobacion;
    nlohmann::json politica = nlohmann::json::object();
    for (const auto& [clave, valor] : d.politica.Claves()) politica[clave] = valor;
    j["policy"] = politica;
    j["branches"] = {{"usersOffLine", JsonRamas(d.ramasFueraDeLinea)},
                     {"usersOnLine", JsonRamas(d.ramasEnLinea)}};
    return j;
}

// True when the pass's operator check can find usuario in UsuariosPW: a row of that name (for
// "Admin" also the row of code 1), or no row at all, which lets any user through.
bool UsuarioConocido(db::Connection& conn, const Diagnostico& d, const std::string& usuario) {
    return d.usuarios == 0 || UsuarioEnTabla(conn, usuario, true);
}

}  // namespace

std::string Comprobar::Resumen() const {
    return "Connect as a pass does and tell what tonight's pass will meet.";
}

std::string Comprobar::Ayuda() const {
    return "Usage: velqor-config check DEFINITION [--program-folder DIR] [--json]\n"
           "\n"
           "Connects to the database of DEFINITION (a .cfp file, or an entry name looked up in\n"
           "the program folder) as a pass connects, and prints one fact a line: the server's\n"
           "version and edition, whether the connection is encrypted and how its certificate is\n"
           "checked, the database, its recovery model, its last full backup, its\n"
           "files, the application's user table, how many indexes are under the pass's\n"
           "threshold, the definition's maintenance policy and how many indexes it rebuilds,\n"
           "defragments or leaves alone with users off line and on line, and which steps of the\n"
           "pass will not apply and why. Only statements that change nothing are sent.\n"
           "With --report-folder it also warns when that folder does not exist or cannot be\n"
           "written; with --user it checks that the user is in UsuariosPW.\n"
           "Exit status: 0 connected and read, and the pass can log in; 1 the server's message\n"
           "when it could not, or the pass cannot succeed: UsuariosPW is missing, or the user\n"
           "given is not in it.\n"
           "\n"
           "Options:\n"
           "  --program-folder DIR  where entries are looked up (default: this program's folder)\n"
           "  --report-folder DIR   the report folder a launch configuration names\n"
           "  --user NAME           the user a launch configuration names\n"
           "  --json                print one JSON object instead\n"
           "  --help                show this help\n";
}

std::vector<Opcion> Comprobar::Opciones() const {
    return {{"program-folder", true}, {"json", false}, {"report-folder", true}, {"user", true}};
}

int Comprobar::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 1, "DEFINITION", consola, codigo)) return codigo;
    Definicion definicion;
    std::string error;
    const AvisosEnConsola avisos(consola);
    Velqor motor;
    if (!EnlazaMotor(argumentos, motor, definicion, error)) return Falla(consola, error);
    try {
        auto conn = motor.AbreConexion();
        const Diagnostico d = Diagnostica(motor, *conn);
        const std::optional<std::string> usuario = argumentos.Valor("user");
        const bool conocido = !usuario || !d.tablaUsuarios || UsuarioConocido(*conn, d, *usuario);
        conn->Close();
        if (argumentos.Tiene("json")) {
            consola.salida << Json(d, definicion).dump(2) << '\n';
        } else {
            Texto(d, definicion, consola.salida);
        }
        const std::string aviso =
            AvisoCarpetaInforme(argumentos.Valor("report-folder").value_or(""));
        if (!aviso.empty()) consola.error << "velqor-config: " << aviso << '\n';
        if (!d.tablaUsuarios) {
            return Falla(consola,
                         "UsuariosPW is missing: the pass cannot check its operator "
                         "(docs/usuariospw.sql creates it)");
        }
        if (d.usuarios == 0) {
            consola.error << "velqor-config: warning: UsuariosPW holds no user: the pass lets any "
                             "name and password through (velqor-config set-user adds one)\n";
        }
        if (!conocido) {
            return Falla(consola,
                         "the user " + *usuario +
                             " is not in UsuariosPW: the pass will refuse it (velqor-config "
                             "set-user adds it)");
        }
        return kExito;
    } catch (const std::exception& e) {
        return Falla(consola, ErrorAtrapado::De(e).descripcion);
    }
}

}  // namespace velqor::cli
