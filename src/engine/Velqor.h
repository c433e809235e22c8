#pragma once
// Velqor: the maintenance engine bound to one connection definition. It runs maintenance passes
// (MejorarRendimiento), raises Progreso with a one-line text and a cancel flag, and keeps the
// month's density history, which it writes back when it ends.

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Momento.h"
#include "common/Valor.h"
#include "components/PerfilConexion.h"
#include "db/Connection.h"
#include "engine/HistorialDensidad.h"
#include "engine/IndiceEncuestado.h"
#include "engine/MesHistorial.h"
#include "engine/TratoIndice.h"

namespace velqor {

class Dialecto;

class Velqor {
  public:
    // The event Progreso(Texto, Cancelar): the receiver may set Cancelar to True, never back.
    using ManejadorProgreso = std::function<void(std::string& texto, bool& cancelar)>;

    // fabrica makes the connection of each pass (ODBC by default); reloj gives "now".
    explicit Velqor(db::FabricaConexion fabrica = {},
                    const Reloj& reloj = RelojSistema::Instancia());
    // Writes the density history back, merged with the file, when the engine was created (a
    // failure goes to InformaError); not when the last write of this month's file already took
    // every measurement the engine holds.
    ~Velqor();
    Velqor(const Velqor&) = delete;
    Velqor& operator=(const Velqor&) = delete;

    // A pass treats every index whose scan density is under this: every one not perfectly dense.
    static constexpr int32_t kDensidadDelPase = 100;

    // Subscribes the receiver of Progreso (one receiver; empty to unsubscribe).
    void AlProgresar(ManejadorProgreso manejador);

    // The steps of a pass, in their order.
    enum class Paso {
        Encuesta,      // the fragmentation survey
        Indices,       // rebuilding or defragmenting the indexes under the threshold
        Estadisticas,  // sp_updatestats
        ReduccionLog,  // a log shrink (there are two)
        BackupLog,
        Truncado,
        BackupBase,
        Fin,  // the pass has ended (done, cancelled or failed)
    };
    // How far a pass has come: its step and, during the index step, indexes done of those to do.
    struct Avance {
        Paso paso = Paso::Encuesta;
        int32_t hechos = 0;
        int32_t total = 0;
    };
    using ManejadorAvance = std::function<void(const Avance& avance)>;
    // Subscribes the receiver of the advance notices (one receiver; empty to unsubscribe). It is
    // told each step as it starts, each index as it is done, and the end; it cannot cancel.
    void AlAvanzar(ManejadorAvance manejador);
    // The step as a person reads it ("survey", "indexes", ..., "done").
    static std::string TextoPaso(Paso paso);
    // The hook each pass connection calls while it waits for the server (the window pumps events).
    // When it throws, the running statement is cancelled; during the login its exception is
    // ignored, since a login cannot be cut short.
    void AlEsperar(db::WaitHook hook);

    // Binds the engine to rutaCFP/archivoCFP.cfp and loads the month's history from rutaEstadistica
    // (a history file that does not read back is renamed aside with ".damaged-<yyyymmddhhnnss>").
    // False when the definition does not load (ErrorDefinicion says why); False and
    // noEsSQL = true for another database kind.
    bool Crear(const std::string& rutaCFP, const std::string& archivoCFP,
               const std::string& rutaEstadistica, bool& noEsSQL);
    bool Creado() const { return creado_; }
    // From now on the engine writes nothing of its own: no density history is loaded (nor a
    // damaged one set aside) or written. For a dry run or a check; call it before Crear.
    void SoloLectura();
    // A connection opened as a pass opens it: the definition's connection string, its login
    // time-out (30 seconds when it names none), no statement time-out, the wait hook. Throws
    // ErrorEjecucion when not created or when the login fails (its description then holds every
    // message of the refusal).
    std::unique_ptr<db::Connection> AbreConexion();
    // Why the connection definition did not load; empty when it did.
    const std::string& ErrorDefinicion() const { return perfil_.UltimoError(); }
    // Which indexes a pass treats and how, as the definition says.
    const Politica& PoliticaDefinida() const { return perfil_.PoliticaDefinida(); }
    // A copy of the density history.
    HistorialDensidad Estadistica() const { return estadistica_; }

    // The phases below use conn (open, left open), append whole lines to informe and never shorten
    // it, trap every error (answering False) and, all but Autenticar, answer False at once while
    // not Creado().

    // Rebuilds one index of a table in the default schema (DBCC DBREINDEX) after announcing it with
    // the run's own flag; False when cancelled there or when the rebuild fails (the error goes to
    // the report and InformaError).
    bool DBReindex(db::Connection& conn, const std::string& tabla, const std::string& indice,
                   bool& cancelar, std::string& informe);
    // The same, defragmenting on line (DBCC INDEXDEFRAG).
    bool IndexDefrag(db::Connection& conn, const std::string& tabla, const std::string& indice,
                     bool& cancelar, std::string& informe);
    // Treats every surveyed index whose density is under densidadMinima, least dense first, as the
    // definition's policy chooses (bloquear: users off line), until cancelled or more than
    // minutosMaximo clock minutes have passed (0: no limit). Once the policy's time limit has
    // passed since the phase began, each index left gets a "Skipped ... (time limit)" line and is
    // not treated (not a failure); with the policy's lock timeout the index statements wait that
    // long for their locks. False when the survey, the lock timeout or any index failed.
    bool ReindexarTodo(db::Connection& conn, int32_t densidadMinima, int32_t minutosMaximo,
                       bool bloquear, bool& cancelar, std::string& informe);
    // The survey: every index of the database (not heaps), least dense first, equal densities in
    // the server's order, as the dialect in use surveys it (see DecideDialecto). A server of
    // unknown edition that refuses DBCC SHOWCONTIG is taken for the cloud service from then on.
    // False, with mDensidad untouched, when it cannot be read (reported through InformaError).
    bool ObtenerDensidadActual(db::Connection& conn, std::vector<IndiceEncuestado>& mDensidad);
    // Asks conn's server its kind (Dialecto::De) and uses that dialect for what the engine does
    // from now on; a pass decides it on its own connection. Before any, the engine uses SQL Server
    // of an unknown edition.
    const Dialecto& DecideDialecto(db::Connection& conn);
    // The dialect in use.
    const Dialecto& DialectoActual() const { return *dialecto_; }
    // Shrinks the first log file to mb megabytes; always writes its report line. False when there
    // is no log file or the shrink was refused (the refusal is not shown; it is logged when
    // unattended).
    bool LogReducirA(db::Connection& conn, int32_t mb, bool& cancelar, std::string& informe);
    // True when usuario/clave match a row of UsuariosPW (or the table is empty). At most three
    // checks reach the server until one succeeds; a refusal raises "Please give a valid password"
    // and shows it (or logs it when unattended); a server error goes to InformaError.
    bool Autenticar(db::Connection& conexion, const std::string& usuario, const std::string& clave);
    // Runs sp_updatestats after announcing it with the run's own flag; on failure raises the error,
    // reports its description and, when unattended, logs it.
    bool UpdateStatistics(db::Connection& conn, bool& cancelar, std::string& informe);
    // Runs one whole pass; informe receives the report (untouched when the login is refused).
    // cancelar is cleared before connecting; a request made from then on is honoured at the next
    // step. A pass that got past the login writes the density history when it ends.
    // False when the engine is not created, the login is refused, the pass is cancelled, no phase
    // succeeded, a backup did not verify or the connection fails (then the progress text, and in an
    // unattended run the log, tell why).
    bool MejorarRendimiento(bool onLine, const std::string& serverPath, bool& cancelar,
                            const std::string& usuarioId, const std::string& usuarioPw,
                            std::string& informe);
    // The definition's display name without blanks, made usable as a file name as the history
    // file's name is (Utilidades::NombreParaArchivo).
    std::string NombreArchivo() const;
    // True when the definition's server name shows the cloud service: a hint for what must be
    // decided before connecting (the window's form). The pass asks the server (Dialecto).
    bool EsCloud() const;

  private:
    // The login time-out of a pass: the definition's, or 30 seconds.
    int32_t SegundosLogin() const;
    // A fresh connection of a pass, configured but not opened.
    std::unique_ptr<db::Connection> PreparaConexion() const;
    // Opens conn with the definition's connection string and the encryption checks it asks for.
    void Abre(db::Connection& conn) const;

    // Tells the advance receiver; a receiver that throws is ignored.
    void Avanza(const Avance& avance);
    // Raises Progreso with texto and the given flag; a receiver that throws is ignored.
    void Progreso(std::string texto, bool& cancelar);
    // texto as a SQL string literal, every "'" doubled: O'Brien gives 'O''Brien'.
    static std::string Entrecomillar(const std::string& texto);
    // Each phase lives in a file of its own (Reindexar.cpp, Densidad.cpp, ...).
    // Raises "Reading |1" for the fila-th row of a survey, with a throw-away flag: for each of the
    // first 1,000 rows, then for every 1,000th (a window repaints at each one); `ultima` once the
    // reading is over, for its last row unless that was announced.
    void AnunciaLectura(int32_t fila, bool ultima = false);
    // ObtenerDensidadActual keeping only the indexes whose density is under *tope (every one
    // when tope is null).
    bool Encuesta(db::Connection& conn, std::vector<IndiceEncuestado>& mDensidad,
                  const double* tope);
    // The scan density of one index; 0 when it cannot be read.
    double DensidadIndice(db::Connection& conn, const IndiceEncuestado& indice);
    // Announces, measures, treats (as trato says) and records one index.
    bool TratarIndice(db::Connection& conn, const IndiceEncuestado& indice, TratoIndice trato,
                      bool& cancelar, std::string& informe);
    // SET LOCK_TIMEOUT milisegundos (-1: wait as long as it takes) for the statements that follow
    // on conn; False, the error reported and handed to InformaError, when the server refuses it.
    bool FijaEsperaBloqueo(db::Connection& conn, int64_t milisegundos, std::string& informe);
    // Shrinks the first log file (by file id); a refusal's text goes to textoError only.
    bool LogShrinkFile(db::Connection& conn, int32_t mb, std::string& textoError);
    // The steps below write "caption, blank, elapsed time or error text" as one report line; when
    // unattended, a failure that is not a "does not apply" one is also logged.
    // Truncates the log without a backup (refused from SQL Server 2008 on; not sent where the
    // dialect says it does not apply, the report telling why); never cancels.
    bool LogTruncate(db::Connection& conn, bool& cancelar, std::string& informe);
    // The separator the server joins serverPath and a backup file's name with (SeparadorServidor),
    // asked once per pass.
    char Separador(db::Connection& conn, const std::string& serverPath);
    // Backs the log up into serverPath; True also when it does not apply; a real failure sets
    // cancelar.
    bool BackupLog(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                   std::string& informe);
    // Backs the database up into serverPath; a failure never cancels.
    bool BackupDatabase(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                        std::string& informe);
    // In an unattended run, writes a failed step to the log (never a message box): numero and
    // descripcion, or texto when numero is 0, the native errors of conn (none when null: the
    // failure brought no diagnostics of its own), and contexto (the step).
    // Does nothing in a run by hand, where the progress text and the report tell the operator.
    static void RegistraFallo(int32_t numero, const std::string& descripcion,
                              const db::Connection* conn, const std::string& texto,
                              const std::string& contexto);
    // A refused log or backup step: translates the error, logs a real failure of an unattended
    // run, shows the text and ends the step's report line with it. True when the step does not
    // apply.
    bool FallaPaso(const std::exception& e, db::Connection& conn, const std::string& sql,
                   const std::string& ruta, const char* paso, bool& cancelar, std::string& informe);
    // Checks a backup just written (RESTORE VERIFYONLY ... WITH CHECKSUM) and writes the line
    // "<paso> (elapsed)" or "<paso> <error>"; a failure is logged when unattended and makes the
    // pass fail.
    bool VerificaBackup(db::Connection& conn, const std::string& archivo, const char* paso,
                        bool& cancelar, std::string& informe);
    // Words a failed step's error into textoError; True when the refusal means "does not apply"
    // (native errors 4208, 4214, 155, and 40510/40518 for what the cloud service does not offer).
    bool TraduceError(int32_t numero, const std::string& descripcion, db::Connection& conn,
                      const std::string& sql, std::string& textoError, const std::string& ruta);
    // The history file of InicioProceso's month: <rutaEstadistica>/<safe name>_yyyy_mm.ZEVeri.
    std::string ArchivoEstadistica() const;
    // The history file of the month of mes.
    std::string ArchivoEstadistica(Momento mes) const;
    // Renames the damaged history file ruta aside with ".damaged-<yyyymmddhhnnss>" and reports
    // it (or the failed rename) through InformaError.
    void ApartaHistorial(const std::string& ruta);
    // Reads the history file ruta alone into historial, rows ordered (empty when there is no file
    // or it is empty). False, with historial empty and the file set aside (ApartaHistorial), when
    // it does not read back.
    bool LeeHistorial(const std::string& ruta, HistorialDensidad& historial);
    // Loads the month's history, file and journals (MesHistorial::Carga); False when not created
    // or the file is damaged (then set aside; the history holds the journals' measurements).
    bool CargaEstadistica();
    // Adds one measurement to the engine's history and records it in the journal of the month
    // its treatment started in, flushed to disk before it answers (not when SoloLectura).
    void AnotaMedicion(const std::string& tabla, const std::string& indice,
                       const Medicion& medicion);
    // True when a measurement of this engine is not in its month's file yet, or when the file of
    // the current month does not exist.
    bool HistorialPendiente() const;
    // Merges this engine's journals (and those of processes that have ended) into their months'
    // files under a lock on the folder (MesHistorial::Guarda), waiting a few seconds at most for
    // another holder and less when *cancelar (when given) becomes true; without the lock the
    // measurements stay in the journals and the log says so. Then reloads the current month.
    // Never throws; a failed write is reported through InformaError.
    void GuardaEstadistica(bool* cancelar = nullptr);

    db::FabricaConexion fabrica_;
    const Reloj& reloj_;
    ManejadorProgreso progreso_;
    ManejadorAvance avance_;
    db::WaitHook espera_;

    PerfilConexion perfil_;
    bool creado_ = false;
    std::string rutaCFP_, archivoCFP_;
    HistorialDensidad estadistica_;
    std::string rutaEstadistica_;
    // The history file whose last write failed (and was reported); the engine's end does not
    // try it again.
    std::string historialFallidoEn_;
    // This process's journal of each month's history file it measured in (and of the current
    // month's) since the last save.
    std::map<std::string, DiarioPropio> diarios_;
    bool detenido_ = false;  // a save found the pass cancelled: later saves do not wait for a lock
    int32_t intentos_ = 0;                // authentication checks since the last success
    std::unique_ptr<Dialecto> dialecto_;  // the kind of server of the last connection
    bool backupNoVerificado_ = false;     // a backup of this pass failed its verification
    bool sinEntrar_ = false;  // the latest pass did not get past its login: it measured nothing
    std::optional<char> separador_;  // the server's path separator, once this pass has asked
    bool soloLectura_ = false;            // no history is loaded or written
};

}  // namespace velqor
