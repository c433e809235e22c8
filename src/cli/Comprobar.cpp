#include "cli/Comprobar.h"

#include <exception>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/AvisosEnConsola.h"
#include "cli/Definicion.h"
#include "common/General.h"
#include "engine/Diagnostico.h"
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
    return j;
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
           "threshold, and which steps of the pass will not apply and why. Only statements that\n"
           "change nothing are sent.\n"
           "Exit status: 0 connected and read, 1 the server's message when it could not.\n"
           "\n"
           "Options:\n"
           "  --program-folder DIR  where entries are looked up (default: this program's folder)\n"
           "  --json                print one JSON object instead\n"
           "  --help                show this help\n";
}

std::vector<Opcion> Comprobar::Opciones() const {
    return {{"program-folder", true}, {"json", false}};
}

int Comprobar::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 1, "DEFINITION", consola, codigo)) return codigo;
    Definicion definicion;
    std::string error;
    if (!BuscaDefinicion(argumentos.Posicionales()[0], CarpetaDePrograma(argumentos), definicion,
                         error)) {
        return Falla(consola, error);
    }
    const AvisosEnConsola avisos(consola);
    Velqor motor;
    motor.SoloLectura();
    bool noEsSQL = false;
    if (!motor.Crear(definicion.carpeta, definicion.entrada, "", noEsSQL)) {
        return Falla(consola, "the definition does not load");
    }
    try {
        auto conn = motor.AbreConexion();
        const Diagnostico d = Diagnostica(motor, *conn);
        conn->Close();
        if (argumentos.Tiene("json")) {
            consola.salida << Json(d, definicion).dump(2) << '\n';
        } else {
            Texto(d, definicion, consola.salida);
        }
        return kExito;
    } catch (const std::exception& e) {
        return Falla(consola, ErrorAtrapado::De(e).descripcion);
    }
}

}  // namespace velqor::cli
