#include "cli/Definicion.h"

#include <filesystem>

#include "common/Proceso.h"
#include "common/Texto1252.h"
#include "components/PerfilConexion.h"

namespace velqor::cli {

std::string CarpetaDePrograma(const Argumentos& argumentos) {
    const auto dada = argumentos.Valor("program-folder");
    return dada ? *dada : CarpetaPrograma();
}

bool BuscaDefinicion(const std::string& texto, const std::string& carpetaPrograma,
                     Definicion& definicion, std::string& error) {
    const std::filesystem::path ruta(texto);
    const bool esArchivo =
        Mayusculas(ruta.extension().string()) == ".CFP" || texto.find('/') != std::string::npos;
    if (esArchivo) {
        definicion.carpeta = ruta.has_parent_path() ? ruta.parent_path().string() : ".";
        definicion.entrada = ruta.stem().string();
    } else {
        definicion.carpeta = carpetaPrograma;
        definicion.entrada = texto;
    }
    PerfilConexion perfil;
    if (!perfil.Cargar(VersionPrograma::kEmpresa, definicion.carpeta, definicion.entrada)) {
        error = perfil.UltimoError();
        return false;
    }
    // What FreeTDS is told to check is said as FreeTDS reads it from the settings it is given.
    const auto freeTds = perfil.ComprobacionesFreeTds();
    const auto ajuste = [&freeTds](const char* opcion) {
        const auto it = freeTds.find(opcion);
        return it == freeTds.end() ? std::string() : it->second;
    };
    const std::string ca = ajuste("ca file");
    const std::string origenes = Mayusculas(ca) == "SYSTEM" ? "the system's trusted ones" : ca;
    if (perfil.Cifrado().empty() || perfil.Cifrado() == "no") {
        definicion.cifrado = perfil.Cifrado().empty() ? "left to the driver" : "not asked for";
    } else {
        definicion.cifrado = "required (" + perfil.Cifrado() + "), " +
                             (perfil.ConfiaCertificado() ? "any server certificate trusted"
                              : !freeTds.empty()         ? "certificate checked against " + origenes
                                                         : "certificate checked by the driver");
    }
    if (!freeTds.empty()) {
        definicion.comprobacion = "FreeTDS checks that it chains to " + origenes;
        if (Mayusculas(ajuste("check certificate hostname")) == "YES") {
            definicion.comprobacion += " and names " + ajuste("host");
        }
    } else if (perfil.EsFreeTds()) {
        definicion.comprobacion =
            "not checked: FreeTDS checks a certificate only when it is given "
            "a CA file (Encrypt = yes without TrustServerCertificate)";
    }
    if (perfil.TipoBase() != 2) {
        error = UneRuta(definicion.carpeta, definicion.entrada + ".cfp") +
                " is not a SQL Server definition (Kind is not 2)";
        return false;
    }
    return true;
}

}  // namespace velqor::cli
