// The operator check against the application's user table UsuariosPW.

#include <exception>
#include <string_view>

#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "common/Texto1252.h"
#include "components/Codificador.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

constexpr int32_t kChequeosMaximos = 3;

// True when the query answered at least one row; a statement without a result set is an error.
bool TieneFilas(db::Connection& conexion, const std::string& sql) {
    auto rs = conexion.Execute(sql, 1);
    if (!rs)
        throw ErrorEjecucion(errores::kObjetoCerrado,
                             "Operation is not allowed when the object is closed.");
    const bool filas = !rs->EOF();
    rs->Close();
    return filas;
}

}  // namespace

std::string Velqor::Entrecomillar(const std::string& texto) { return Sql::Literal(texto); }

bool Velqor::Autenticar(db::Connection& conexion, const std::string& usuario,
                        const std::string& clave) {
    try {
        if (!EnBlanco(usuario) && !EnBlanco(clave) && ++intentos_ <= kChequeosMaximos) {
            const std::string extra = usuario == "Admin" ? " Or Usuario_cd=1" : "";
            const std::string claveCifrada =
                Codificador::Cifra(VersionPrograma::kEmpresa, Mayusculas(clave));
            const std::string sql =
                "SELECT * FROM UsuariosPW WHERE (Usuario_ID=" + Entrecomillar(usuario) + extra +
                ") And (Usuario_PW=" + Entrecomillar(claveCifrada) + ")";
            // An application without users lets any non-blank name and password through.
            if (TieneFilas(conexion, sql) ||
                !TieneFilas(conexion, "SELECT Usuario_cd FROM UsuariosPW")) {
                intentos_ = 0;
                return true;
            }
        }
        const std::string texto = Mensaje("Please give a valid password");
        bool propio = true;
        Progreso(texto, propio);
        if (Desatendido()) {
            InformaError(0, "", nullptr, texto, false, usuario);
        } else {
            MuestraMensaje(texto);
        }
        return false;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        InformaError(error.numero, error.descripcion, &conexion, "", false, usuario);
        return false;
    }
}

}  // namespace velqor
