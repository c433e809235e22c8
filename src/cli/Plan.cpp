#include "cli/Plan.h"

#include <exception>
#include <iomanip>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/AvisosEnConsola.h"
#include "cli/ConexionEnsayo.h"
#include "cli/Definicion.h"
#include "components/Lanzamiento.h"
#include "common/Texto1252.h"
#include "db/OdbcConnection.h"
#include "engine/Diagnostico.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor::cli {
namespace {

// The operator's password hash is a secret of the application: the plan shows it masked.
std::string SinClave(std::string sentencia) {
    const std::string marca = "Usuario_PW='";
    const size_t desde = sentencia.find(marca);
    if (desde == std::string::npos) return sentencia;
    size_t fin = desde + marca.size();
    while (fin < sentencia.size()) {
        if (sentencia[fin] == '\'' && (fin + 1 >= sentencia.size() || sentencia[fin + 1] != '\''))
            break;
        fin += sentencia[fin] == '\'' ? 2 : 1;
    }
    return sentencia.replace(desde + marca.size(), fin - desde - marca.size(), "********");
}

bool TrataIndice(const std::string& sentencia) {
    const std::string mayus = Mayusculas(sentencia);
    return mayus.rfind("DBCC DBREINDEX", 0) == 0 || mayus.rfind("DBCC INDEXDEFRAG", 0) == 0 ||
           mayus.rfind("ALTER INDEX", 0) == 0;
}

std::string Porcentaje(double densidad) {
    std::ostringstream texto;
    texto << std::setprecision(6) << densidad;
    return texto.str();
}

}  // namespace

std::string Plan::Resumen() const {
    return "Show every statement tonight's pass would send, changing nothing.";
}

std::string Plan::Ayuda() const {
    return "Usage: velqor-config plan LAUNCH.ZEVcos [--program-folder DIR] [--json]\n"
           "\n"
           "Runs the pass of the launch configuration as a dry run: the login check, the survey\n"
           "and the catalog and density readings reach the server; every statement that would\n"
           "change something is only written down. Prints every statement in order, the density\n"
           "read before each treatment, the count of indexes to treat and the steps that will\n"
           "not apply. Writes no report, density history or log.\n"
           "Exit status: 0 planned, 1 the pass could not connect or log in.\n"
           "\n"
           "Options:\n"
           "  --program-folder DIR  where the configuration's entry is looked up (default: this\n"
           "                        program's folder)\n"
           "  --json                print one JSON object instead\n"
           "  --help                show this help\n";
}

std::vector<Opcion> Plan::Opciones() const { return {{"program-folder", true}, {"json", false}}; }

int Plan::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 1, "LAUNCH.ZEVcos", consola, codigo)) return codigo;
    Lanzamiento lanzamiento;
    Definicion definicion;
    std::string error;
    if (!Lanzamiento::Lee(argumentos.Posicionales()[0], lanzamiento, error) ||
        !BuscaDefinicion(lanzamiento.entrada, CarpetaDePrograma(argumentos), definicion, error)) {
        return Falla(consola, error);
    }
    const AvisosEnConsola avisos(consola);
    std::vector<SentenciaEnsayada> diario;
    Velqor motor(
        [&diario] { return std::make_unique<ConexionEnsayo>(db::NuevaConexionOdbc(), diario); });
    motor.SoloLectura();
    std::string ultimoAviso;
    motor.AlProgresar([&ultimoAviso](std::string& texto, bool&) { ultimoAviso = texto; });
    bool noEsSQL = false;
    if (!motor.Crear(definicion.carpeta, definicion.entrada, lanzamiento.carpetaInforme, noEsSQL)) {
        return Falla(consola, "the definition does not load");
    }
    Diagnostico hechos;
    try {
        auto conn = motor.AbreConexion();
        hechos = Diagnostica(motor, *conn);
        conn->Close();
    } catch (const std::exception& e) {
        return Falla(consola, ErrorAtrapado::De(e).descripcion);
    }
    diario.clear();
    bool cancelar = false;
    std::string informe;
    motor.MejorarRendimiento(lanzamiento.enLinea, lanzamiento.carpetaBackup, cancelar,
                             lanzamiento.usuario, lanzamiento.clave, informe);
    if (informe.empty()) {
        return Falla(consola, "the pass stopped before its first step" +
                                  (ultimoAviso.empty() ? std::string() : ": " + ultimoAviso));
    }

    int tratados = 0;
    for (const SentenciaEnsayada& s : diario) tratados += TrataIndice(s.texto) ? 1 : 0;
    if (argumentos.Tiene("json")) {
        nlohmann::json sentencias = nlohmann::json::array();
        for (const SentenciaEnsayada& s : diario) {
            nlohmann::json j = {{"sql", SinClave(s.texto)}, {"sent", s.enviada}};
            if (s.densidad) j["density"] = *s.densidad;
            sentencias.push_back(std::move(j));
        }
        nlohmann::json pasos = nlohmann::json::array();
        for (const PasoNoAplica& p : hechos.noAplican)
            pasos.push_back({{"step", p.paso}, {"reason", p.motivo}});
        consola.salida << nlohmann::json{{"database", hechos.base},
                                         {"online", lanzamiento.enLinea},
                                         {"policy", hechos.politica.Texto()},
                                         {"statements", sentencias},
                                         {"indexesToTreat", tratados},
                                         {"stepsNotApplying", pasos}}
                              .dump(2)
                       << '\n';
        return kExito;
    }
    consola.salida << "-- Tonight's pass over " << hechos.base << " ("
                   << (lanzamiento.enLinea ? "users on line" : "users off line")
                   << "); the statements marked \"sent\" only read\n"
                   << "-- and were run for this plan, the others were not.\n"
                   << "-- Maintenance policy: " << hechos.politica.Texto() << "\n";
    for (const SentenciaEnsayada& s : diario) {
        consola.salida << SinClave(s.texto);
        if (s.enviada) consola.salida << "  -- sent";
        if (s.densidad) consola.salida << ", scan density " << Porcentaje(*s.densidad) << " %";
        consola.salida << '\n';
    }
    consola.salida << "-- " << tratados << " index(es) to treat\n";
    for (const PasoNoAplica& p : hechos.noAplican) {
        consola.salida << "-- will not apply: " << p.paso << ": " << p.motivo << '\n';
    }
    return kExito;
}

}  // namespace velqor::cli
