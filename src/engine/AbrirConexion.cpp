#include "engine/AbrirConexion.h"

#include "common/General.h"
#include "common/Proceso.h"
#include "db/ConfFreeTdsTemporal.h"
#include "db/DiagnosticoCifrado.h"
#include "db/VersionControlador.h"

namespace velqor {

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
        db::PeticionCifrado peticion{"", 0, perfil.Cifrado(), perfil.ArchivoCA(),
                                     perfil.ConfiaCertificado()};
        // Only a definition that says something about encryption can be told what to change.
        if (e.Numero() != errores::kFalloGeneral || perfil.Cifrado().empty() ||
            !perfil.DestinoTcp(peticion.host, peticion.puerto)) {
            throw;
        }
        const std::string motivo = db::MotivoFalloCifrado(peticion, segundosLogin);
        if (motivo.empty()) throw;
        throw ErrorEjecucion(e.Numero(), motivo);
    }
}

}  // namespace velqor
