// The maintenance pass: connect, check the operator, run the phases in order while not cancelled,
// and close the report.

#include <exception>
#include <memory>

#include "common/General.h"
#include "common/Proceso.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

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
    sinEntrar_ = true;
    try {
        bool descartable = false;
        Progreso(Mensaje("Connect..."), descartable);

        conn = PreparaConexion();
        Abre(*conn);

        if (!Autenticar(*conn, usuarioId, usuarioPw)) {
            CierraSinFallar(conn.get());
            return false;
        }
        // Whatever this pass measures reaches the history file when it ends, however it ends.
        guardarAlTerminar = true;
        sinEntrar_ = false;
        // The server's kind decides the statements and which steps apply, whatever its name.
        // (A survey refused by a server of unknown edition may still change it: ask it each time.)
        DecideDialecto(*conn);
        const auto aplica = [this](Paso paso) {
            std::string motivo;
            return dialecto_->Aplica(paso, motivo);
        };

        const Momento inicio = reloj_.Ahora();
        informe = perfil_.NombreBase() + " ";
        AgregaLinea(informe, Formatea(inicio, "dd-mm-yyyy hh:nn:ss"));
        backupNoVerificado_ = false;
        separador_.reset();

        // Each phase is announced to the advance receiver, then run; one success makes the pass's.
        const auto fase = [&](Paso paso, const auto& corre) {
            Avanza({paso});
            const bool exito = corre();
            resultado = resultado || exito;
        };
        if (!cancelar) {
            fase(Paso::Encuesta, [&] {
                return ReindexarTodo(*conn, kDensidadDelPase, kSinLimiteDeMinutos, !onLine,
                                     cancelar, informe);
            });
        }
        if (!cancelar)
            fase(Paso::Estadisticas, [&] { return UpdateStatistics(*conn, cancelar, informe); });
        if (!cancelar) {
            fase(Paso::ReduccionLog,
                 [&] { return LogReducirA(*conn, kLogObjetivoMB, cancelar, informe); });
        }
        // A backup that does not apply is left out; the truncation says why it did not run.
        if (!cancelar && aplica(Paso::BackupLog))
            fase(Paso::BackupLog, [&] { return BackupLog(*conn, serverPath, cancelar, informe); });
        if (!cancelar) fase(Paso::Truncado, [&] { return LogTruncate(*conn, cancelar, informe); });
        if (!cancelar) {
            fase(Paso::ReduccionLog,
                 [&] { return LogReducirA(*conn, kLogObjetivoMB, cancelar, informe); });
        }
        if (!cancelar && aplica(Paso::BackupBase)) {
            fase(Paso::BackupBase,
                 [&] { return BackupDatabase(*conn, serverPath, cancelar, informe); });
        }
        Avanza({Paso::Fin});

        // A backup that was written but does not verify leaves the database without a trustworthy
        // backup: the pass has failed.
        if (backupNoVerificado_) resultado = false;
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
        GuardaEstadistica(&cancelar);
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
        if (guardarAlTerminar) GuardaEstadistica(&cancelar);
        return resultado;
    }
}

}  // namespace velqor
