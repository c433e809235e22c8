#include "engine/Diagnostico.h"

#include <exception>
#include <memory>
#include <utility>

#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "common/Texto1252.h"
#include "engine/Dialecto.h"

namespace velqor {
namespace {

// The first row of a query, read through the caller; false when there is none.
template <typename Lector>
bool PrimeraFila(db::Connection& conn, const std::string& sql, Lector lee) {
    auto rs = conn.Execute(sql, 1);
    if (!rs || rs->EOF()) return false;
    lee(*rs);
    rs->Close();
    return true;
}

int32_t MayorDeVersion(const std::string& version) {
    try {
        return std::stoi(version);
    } catch (const std::exception&) {
        return 0;
    }
}

// The steps the pass leaves out on this kind of server, then those the server will refuse for the
// state of the database.
std::vector<PasoNoAplica> PasosQueNoAplican(const Diagnostico& d, const Dialecto& dialecto) {
    std::vector<PasoNoAplica> pasos;
    std::string motivo;
    bool delDialecto = false;
    for (const auto& [paso, nombre] : {std::pair{Velqor::Paso::BackupLog, "Backup Log"},
                                       std::pair{Velqor::Paso::Truncado, "Log Truncate"},
                                       std::pair{Velqor::Paso::BackupBase, "Backup Database"}}) {
        if (!dialecto.Aplica(paso, motivo)) {
            pasos.push_back({Mensaje(nombre), motivo});
            delDialecto = true;
        }
    }
    if (delDialecto) return pasos;
    if (d.recuperacion == "SIMPLE") {
        pasos.push_back(
            {Mensaje("Backup Log"), Mensaje("Doesn't apply because of RECOVERY MODEL SIMPLE")});
    } else if (d.historiaBackups && !d.ultimoBackup) {
        pasos.push_back(
            {Mensaje("Backup Log"), Mensaje("Doesn't apply because it was never backed up")});
    }
    if (MayorDeVersion(d.version) >= 10) {
        pasos.push_back(
            {Mensaje("Log Truncate"), Mensaje("Doesn't apply to SQL Server 2008 or higher")});
    }
    return pasos;
}

}  // namespace

Diagnostico Diagnostica(Velqor& motor, db::Connection& conn) {
    Diagnostico d;
    PrimeraFila(conn,
                "SELECT CAST(SERVERPROPERTY('ProductVersion') AS nvarchar(128)) AS version, "
                "CAST(SERVERPROPERTY('Edition') AS nvarchar(128)) AS edition, "
                "DB_NAME() AS database_name",
                [&](const db::Recordset& rs) {
                    d.version = rs.Field("version").ATexto();
                    d.edicion = rs.Field("edition").ATexto();
                    d.base = rs.Field("database_name").ATexto();
                });
    d.edicionMotor = motor.DecideDialecto(conn).EdicionMotor();
    try {
        PrimeraFila(conn,
                    "SELECT encrypt_option FROM sys.dm_exec_connections WHERE session_id = @@SPID",
                    [&](const db::Recordset& rs) {
                        d.cifrada = Mayusculas(rs.Field("encrypt_option").ATexto()) == "TRUE";
                    });
    } catch (const ErrorEjecucion&) {
        // Without VIEW SERVER STATE the server does not say; the check tells what was asked for.
    }
    PrimeraFila(conn, "SELECT recovery_model_desc FROM sys.databases WHERE name = DB_NAME()",
                [&](const db::Recordset& rs) {
                    d.recuperacion = rs.Field("recovery_model_desc").ATexto();
                });
    // A server that takes no backup (the cloud service) keeps them to itself and has no msdb to
    // ask.
    std::string motivo;
    if (motor.DialectoActual().Aplica(Velqor::Paso::BackupBase, motivo)) {
        try {
            d.historiaBackups = true;
            PrimeraFila(conn,
                        "SELECT TOP 1 backup_finish_date FROM msdb.dbo.backupset "
                        "WHERE database_name = DB_NAME() AND type = 'D' "
                        "ORDER BY backup_finish_date DESC",
                        [&](const db::Recordset& rs) {
                            const Valor fin = rs.Field("backup_finish_date");
                            if (fin.tipo() == Valor::Tipo::Date) d.ultimoBackup = fin.ComoFecha();
                        });
        } catch (const ErrorEjecucion&) {
            d.historiaBackups = false;  // no right to read msdb: the check says so
        }
    }
    {
        auto rs = conn.Execute(
            "SELECT name, type_desc, size FROM sys.database_files "
            "ORDER BY file_id",
            1);
        while (rs && !rs->EOF()) {
            // size counts 8 KB pages.
            d.archivos.push_back({rs->Field("name").ATexto(), rs->Field("type_desc").ATexto(),
                                  static_cast<int64_t>(rs->Field("size").ComoDoble()) * 8 / 1024});
            rs->MoveNext();
        }
    }
    try {
        auto rs = conn.Execute("SELECT Usuario_cd FROM UsuariosPW", 1);
        d.tablaUsuarios = true;
        while (rs && !rs->EOF()) {
            ++d.usuarios;
            rs->MoveNext();
        }
    } catch (const ErrorEjecucion&) {
        d.tablaUsuarios = false;
    }
    std::vector<IndiceEncuestado> encuesta;
    if (!motor.ObtenerDensidadActual(conn, encuesta)) {
        const auto& errores = conn.Errors();
        throw ErrorEjecucion(errores::kErrorProveedor, errores.empty()
                                                           ? "The fragmentation survey failed."
                                                           : errores.front().Description);
    }
    d.indices = static_cast<int32_t>(encuesta.size());
    // The survey of a server that did not tell its edition may have told its kind.
    const Dialecto& dialecto = motor.DialectoActual();
    d.politica = motor.PoliticaDefinida();
    for (const IndiceEncuestado& indice : encuesta) {
        if (!(indice.densidad < Velqor::kDensidadDelPase)) continue;
        ++d.aTratar;
        ++d.ramasFueraDeLinea[EleccionTrato::Para(d.politica, indice, false, dialecto).rama];
        ++d.ramasEnLinea[EleccionTrato::Para(d.politica, indice, true, dialecto).rama];
    }
    d.nube = dialecto.Nube();
    d.producto = dialecto.Producto();
    d.noAplican = PasosQueNoAplican(d, dialecto);
    return d;
}

}  // namespace velqor
