#include "engine/AbrirConexion.h"

#include "common/General.h"
#include "common/Proceso.h"
#include "db/ConfFreeTdsTemporal.h"
#include "db/DiagnosticoCifrado.h"
#include "db/VersionControlador.h"

namespace velqor {
namespace {

// "(server HOST, port N)", or "(server HOST\INSTANCE)" for a named instance without a port.
std::string DondeServidor(const PerfilConexion& perfil, bool tcp,
                          const db::PeticionCifrado& peticion) {
    if (!tcp) return Mensaje("(server |1)", {Valor::Texto(perfil.Servidor())});
    return Mensaje("(server |1, port |2)",
                   {Valor::Texto(peticion.host), Valor::Largo(peticion.puerto)});
}

}  // namespace

void AbreConexion(db::Connection& conn, const PerfilConexion& perfil, int32_t segundosLogin) {
    std::string version;
    if (perfil.Cifrado() == "strict" && !db::ConoceStrict(perfil.Controlador(), version)) {
        throw ErrorEjecucion(
            errores::kFalloGeneral,
            Mensaje("Encrypt = strict needs FreeTDS 1.4 or later and the installed driver is "
                    "FreeTDS |1: set Encrypt = yes, or install a driver that knows strict",
                    {Valor::Texto(version)}));
    }
    if (std::string motivo; !perfil.CompruebaArchivoCA(motivo)) {
        throw ErrorEjecucion(errores::kFalloGeneral, motivo);
    }
    const std::string cadena = perfil.CadenaConexion(VersionPrograma::kEmpresa, true);
    const db::ConfFreeTdsTemporal comprobaciones(perfil.ConfFreeTds());
    try {
        conn.Open(cadena, "", "", -1);
    } catch (const ErrorEjecucion& e) {
        if (e.Numero() != errores::kFalloGeneral) throw;
        db::PeticionCifrado peticion{"", 0, perfil.Cifrado(), perfil.ArchivoCA(),
                                     perfil.ConfiaCertificado()};
        const bool tcp = perfil.DestinoTcp(peticion.host, peticion.puerto);
        // Only a definition that says something about encryption can be told what to change.
        std::string motivo = tcp && !perfil.Cifrado().empty()
                                 ? db::MotivoFalloCifrado(peticion, segundosLogin)
                                 : std::string();
        if (motivo.empty()) motivo = e.Descripcion();
        // The driver's words name no server: say which one could not be reached.
        throw ErrorEjecucion(e.Numero(), motivo + " " + DondeServidor(perfil, tcp, peticion));
    }
}

}  // namespace velqor
