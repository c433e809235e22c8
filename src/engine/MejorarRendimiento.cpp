// The maintenance pass: connect, check the operator, run the phases in order while not cancelled,
// and close the report.

#include <exception>
#include <memory>

#include "common/General.h"
#include "common/Proceso.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

constexpr int32_t kDensidadMinima = 100;  // treat every index that is not perfectly dense
constexpr int32_t kSinLimiteDeMinutos = 0;
constexpr int32_t kLogObjetivoMB = 1;

// Closes a connection that may be half-open; a failure to close changes nothing for the caller.
void CierraSinFallar(db::Connection* conn) {
    if (conn == nullptr) return;
    try {
        conn->Close();
    } catch (const std::exception&) {
    }
}

}  // namespace

bool Velqor::MejorarRendimiento(bool onLine, const std::string& serverPath, bool& cancelar,
                                const std::string& usuarioId, const std::string& usuarioPw,
                                std::string& informe) {
    FijaInicioProceso(reloj_.Ahora());
    bool resultado = false;
    if (!creado_) return false;
    // A request left over from an earlier pass is dropped here, before connecting, so that one
    // made while the pass connects and checks the login is honoured at the next step.
    cancelar = false;

    std::unique_ptr<db::Connection> conn;
    bool guardarAlTerminar = false;
    try {
        bool descartable = false;
        Progreso(Mensaje("Connect..."), descartable);
        const bool nube = EsCloud();

        conn = fabrica_();
        conn->SetCommandTimeout(0);
        // A definition may shorten (or lengthen) the login wait; otherwise 30 seconds.
        conn->SetConnectionTimeout(perfil_.TiempoLogin() > 0 ? perfil_.TiempoLogin() : 30);
        // A login cannot be cut short: a hook that gives up would still wait for it and then end
        // the pass without its report. The cancel request it makes is honoured after the login.
        if (espera_) {
            conn->SetWaitHook([this] {
                try {
                    espera_();
                } catch (const std::exception&) {
                }
            });
        }
        conn->Open(perfil_.CadenaConexion(VersionPrograma::kEmpresa, true), "", "", -1);
        conn->SetWaitHook(espera_);

        if (!Autenticar(*conn, usuarioId, usuarioPw)) {
            CierraSinFallar(conn.get());
            return false;
        }
        // Whatever this pass measures reaches the history file when it ends, however it ends.
        guardarAlTerminar = true;

        const Momento inicio = reloj_.Ahora();
        informe = perfil_.NombreBase() + " ";
        AgregaLinea(informe, Formatea(inicio, "dd-mm-yyyy hh:nn:ss"));

        const auto fase = [&](bool exito) { resultado = resultado || exito; };
        if (!cancelar)
            fase(ReindexarTodo(*conn, kDensidadMinima, kSinLimiteDeMinutos, !onLine, cancelar,
                               informe));
        if (!cancelar) fase(UpdateStatistics(*conn, cancelar, informe));
        if (!cancelar) fase(LogReducirA(*conn, kLogObjetivoMB, cancelar, informe));
        if (!cancelar && !nube) fase(BackupLog(*conn, serverPath, cancelar, informe));
        if (!cancelar) fase(LogTruncate(*conn, cancelar, informe));
        if (!cancelar) fase(LogReducirA(*conn, kLogObjetivoMB, cancelar, informe));
        if (!cancelar && !nube) fase(BackupDatabase(*conn, serverPath, cancelar, informe));

        if (cancelar) {
            Progreso(Mensaje("Cancelled"), cancelar);
            AgregaLinea(informe, Mensaje("Cancelled"));
            resultado = false;
        } else {
            Progreso(Mensaje("Done"), cancelar);
        }
        AgregaLinea(informe,
                    Mensaje("Time: |1", {Valor::Texto(Duracion(inicio, false, reloj_.Ahora()))}));
        CierraSinFallar(conn.get());
        GuardaEstadistica();
        return resultado;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        bool descartable = true;
        Progreso(
            Mensaje("Error |1: |2", {Valor::Largo(error.numero), Valor::Texto(error.descripcion)}),
            descartable);
        // A scheduled pass that could not run must say why in the log.
        if (Desatendido()) {
            InformaError(error.numero, error.descripcion,
                         error.DelProveedor() ? conn.get() : nullptr, "", false, archivoCFP_);
        }
        CierraSinFallar(conn.get());
        if (guardarAlTerminar) GuardaEstadistica();
        return resultado;
    }
}

}  // namespace velqor
