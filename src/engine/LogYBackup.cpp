// The log and backup steps: shrink the log file, truncate the log (servers before 2008), back up
// the log and the database into the server-side folder, and the translation of the server's
// refusals.

#include <exception>
#include <memory>

#include "common/General.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"
#include "engine/ErroresServidor.h"
#include "engine/SeparadorServidor.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

using namespace errores_servidor;

std::vector<Valor> Error(const ErrorAtrapado& error) {
    return {Valor::Largo(error.numero), Valor::Texto(error.descripcion)};
}

// "<folder><separador><db><marca><yyyymmddhhnnss>.dat".
std::string ArchivoBackup(char separador, const std::string& base, const std::string& carpeta,
                          const char* marca, Momento momento) {
    return carpeta + separador + base + marca + Formatea(momento, "yyyymmddhhnnss") + ".dat";
}

// "BACKUP LOG|DATABASE [db] TO DISK='<file>'", WITH CHECKSUM when the backup is to be verified.
std::string SentenciaBackup(const char* objeto, const std::string& base, const std::string& archivo,
                            bool conChecksum) {
    return std::string("BACKUP ") + objeto + " " + Sql::Identificador(base) +
           " TO DISK=" + Sql::Literal(archivo) + (conChecksum ? " WITH CHECKSUM" : "");
}

}  // namespace

bool Velqor::LogReducirA(db::Connection& conn, int32_t mb, bool& cancelar, std::string& informe) {
    if (!creado_) return false;
    bool resultado = false;
    std::string textoError;
    try {
        const Momento inicio = reloj_.Ahora();
        Progreso(Mensaje("Shrink |1_log => |2MB",
                         {Valor::Texto(perfil_.NombreBase()), Valor::Largo(mb)}),
                 cancelar);
        resultado = LogShrinkFile(conn, mb, textoError);
        if (!textoError.empty()) {
            RegistraFallo(0, "", &conn, textoError,
                          Mensaje("Shrink |1_log", {Valor::Texto(perfil_.NombreBase())}));
        }
        AgregaLinea(informe, Mensaje("Shrink |1_log |2",
                                     {Valor::Texto(perfil_.NombreBase()),
                                      Valor::Texto(Duracion(inicio, true, reloj_.Ahora()))}));
    } catch (const std::exception& e) {
        Progreso(
            textoError.empty() ? Mensaje("Error |1: |2", Error(ErrorAtrapado::De(e))) : textoError,
            cancelar);
    }
    return resultado;
}

bool Velqor::LogShrinkFile(db::Connection& conn, int32_t mb, std::string& textoError) {
    std::string sql;
    try {
        auto rs =
            conn.Execute("SELECT name FROM sys.database_files WHERE type = 1 ORDER BY file_id", 1);
        if (!rs) return false;
        bool resultado = false;
        if (!rs->EOF()) {
            sql = "DBCC SHRINKFILE(" + Sql::Identificador(rs->Field("name").ATexto()) + ", " +
                  std::to_string(mb) + ")";
            conn.Execute(sql, 1);
            resultado = true;
        }
        rs->Close();
        return resultado;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        TraduceError(error.numero, error.descripcion, conn, sql, textoError, "");
        return false;
    }
}

bool Velqor::LogTruncate(db::Connection& conn, bool& cancelar, std::string& informe) {
    std::string motivo;
    if (!dialecto_->Aplica(Paso::Truncado, motivo)) {
        // Not sent where the server's kind refuses it; the report says why, as for a refusal.
        Progreso(motivo, cancelar);
        AgregaLinea(informe, Mensaje("Log Truncate") + " " + motivo);
        return false;
    }
    std::string sql;
    try {
        const Momento inicio = reloj_.Ahora();
        sql = "BACKUP LOG " + Sql::Identificador(perfil_.NombreBase()) + " WITH TRUNCATE_ONLY";
        informe += Mensaje("Log Truncate") + " ";
        conn.Execute(sql, 1);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));
        return true;
    } catch (const std::exception& e) {
        // From SQL Server 2008 on the truncate is always refused: that is no failure of the run.
        FallaPaso(e, conn, sql, "", "Log Truncate", cancelar, informe);
        return false;
    }
}

char Velqor::Separador(db::Connection& conn, const std::string& serverPath) {
    if (!separador_) separador_ = SeparadorServidor(conn, serverPath);
    return *separador_;
}

bool Velqor::BackupLog(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                       std::string& informe) {
    std::string sql;
    try {
        const Momento inicio = reloj_.Ahora();
        const std::string archivo =
            ArchivoBackup(Separador(conn, serverPath), perfil_.NombreBase(), serverPath, "_BackupLog_", inicio);
        sql = SentenciaBackup("LOG", perfil_.NombreBase(), archivo, perfil_.VerificaBackup());
        informe += Mensaje("Backup Log") + " ";
        conn.Execute(sql, 1);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));
        if (perfil_.VerificaBackup())
            VerificaBackup(conn, archivo, "Verify Backup Log", cancelar, informe);
        return true;
    } catch (const std::exception& e) {
        const bool noAplica = FallaPaso(e, conn, sql, serverPath, "Backup Log", cancelar, informe);
        // A log that cannot be backed up must not be truncated or shrunk: stop the pass here.
        if (!noAplica) cancelar = true;
        return noAplica;
    }
}

bool Velqor::BackupDatabase(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                            std::string& informe) {
    std::string sql;
    try {
        const Momento inicio = reloj_.Ahora();
        const std::string archivo =
            ArchivoBackup(Separador(conn, serverPath), perfil_.NombreBase(), serverPath, "_Backup_", inicio);
        sql = SentenciaBackup("DATABASE", perfil_.NombreBase(), archivo, perfil_.VerificaBackup());
        informe += Mensaje("Backup Database") + " ";
        Progreso(Mensaje("Backing up database..."), cancelar);
        conn.Execute(sql, 1);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));
        if (perfil_.VerificaBackup()) {
            return VerificaBackup(conn, archivo, "Verify Backup Database", cancelar, informe);
        }
        return true;
    } catch (const std::exception& e) {
        FallaPaso(e, conn, sql, serverPath, "Backup Database", cancelar, informe);
        return false;
    }
}

bool Velqor::VerificaBackup(db::Connection& conn, const std::string& archivo, const char* paso,
                            bool& cancelar, std::string& informe) {
    std::string sql;
    try {
        const Momento inicio = reloj_.Ahora();
        sql = "RESTORE VERIFYONLY FROM DISK=" + Sql::Literal(archivo) + " WITH CHECKSUM";
        informe += Mensaje(paso) + " ";
        Progreso(Mensaje("Verifying backup..."), cancelar);
        conn.Execute(sql, 1);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));
        return true;
    } catch (const std::exception& e) {
        // A backup that does not verify is no backup: the pass fails, whatever else went well.
        FallaPaso(e, conn, sql, archivo, paso, cancelar, informe);
        backupNoVerificado_ = true;
        return false;
    }
}

bool Velqor::FallaPaso(const std::exception& e, db::Connection& conn, const std::string& sql,
                       const std::string& ruta, const char* paso, bool& cancelar,
                       std::string& informe) {
    const ErrorAtrapado error = ErrorAtrapado::De(e);
    std::string textoError;
    const bool noAplica =
        TraduceError(error.numero, error.descripcion, conn, sql, textoError, ruta);
    if (!noAplica)
        RegistraFallo(0, "", error.DelProveedor() ? &conn : nullptr, textoError, Mensaje(paso));
    Progreso(textoError, cancelar);
    AgregaLinea(informe, textoError);
    return noAplica;
}

bool Velqor::TraduceError(int32_t numero, const std::string& descripcion, db::Connection& conn,
                          const std::string& sql, std::string& textoError,
                          const std::string& ruta) {
    static const std::vector<db::ErrorProveedor> kNinguno;
    const auto& errores =
        ErrorAtrapado{numero, descripcion}.DelProveedor() ? conn.Errors() : kNinguno;
    if (errores.empty()) {
        textoError = Mensaje("Error |1: |2 (|3)",
                             {Valor::Largo(numero), Valor::Texto(descripcion), Valor::Texto(sql)});
        return false;
    }
    const int32_t nativo = errores.front().NativeError;
    switch (nativo) {
        case kRecuperacionSimple:
            textoError = Mensaje("Doesn't apply because of RECOVERY MODEL SIMPLE");
            return true;
        case kSinBackupPrevio:
            textoError = Mensaje("Doesn't apply because it was never backed up");
            return true;
        case kDispositivoInvalido:
            textoError = Mensaje("Invalid path: |1", {Valor::Texto(ruta)});
            return false;
        case kOpcionDesconocida:
            textoError = Mensaje("Doesn't apply to SQL Server 2008 or higher");
            return true;
        case kSentenciaNoAdmitida:
        case kDbccNoAdmitido:
            textoError = Mensaje("Doesn't apply to Azure SQL Database");
            return true;
        default:
            textoError =
                Mensaje("NativeError |1: |2 (|3)",
                        {Valor::Largo(nativo), Valor::Texto(descripcion), Valor::Texto(sql)});
            return false;
    }
}

}  // namespace velqor
