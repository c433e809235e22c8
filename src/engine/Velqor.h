#pragma once
// Velqor: the maintenance engine bound to one connection definition. It runs maintenance passes
// (MejorarRendimiento), raises Progreso with a one-line text and a cancel flag, and keeps the month's
// density history, which it writes back when it ends.

#include <cstdint>
#include <functional>
#include <string>

#include "common/Momento.h"
#include "common/Valor.h"
#include "components/PerfilConexion.h"
#include "db/Connection.h"

namespace velqor {

class Velqor {
public:
    // The event Progreso(Texto, Cancelar): the receiver may set Cancelar to True, never back.
    using ManejadorProgreso = std::function<void(std::string& texto, bool& cancelar)>;

    // fabrica makes the connection of each pass (ODBC by default); reloj gives "now".
    explicit Velqor(db::FabricaConexion fabrica = {}, const Reloj& reloj = RelojSistema::Instancia());
    // Writes the density history back when the engine was created.
    ~Velqor();
    Velqor(const Velqor&) = delete;
    Velqor& operator=(const Velqor&) = delete;

    // Subscribes the receiver of Progreso (one receiver; empty to unsubscribe).
    void AlProgresar(ManejadorProgreso manejador);
    // The hook each pass connection calls while it waits for the server (the window pumps events).
    void AlEsperar(db::WaitHook hook);

    // Binds the engine to rutaCFP/archivoCFP.cfp and loads the month's history from rutaEstadistica.
    // False when the definition does not load; False and noEsSQL = true for another database kind.
    bool Crear(const std::string& rutaCFP, const std::string& archivoCFP,
               const std::string& rutaEstadistica, bool& noEsSQL);
    bool Creado() const { return creado_; }
    // A copy of the density history (Empty or a list of rows).
    Valor Estadistica() const { return estadistica_; }

    bool DBReindex(db::Connection& conn, const std::string& tabla, const std::string& indice,
                   bool& cancelar, std::string& informe);
    bool IndexDefrag(db::Connection& conn, const std::string& tabla, const std::string& indice,
                     bool& cancelar, std::string& informe);
    bool ReindexarTodo(db::Connection& conn, int32_t densidadMinima, int32_t minutosMaximo,
                       bool bloquear, bool& cancelar, std::string& informe);
    bool ObtenerDensidadActual(db::Connection& conn, Valor& mDensidad);
    bool LogReducirA(db::Connection& conn, int32_t mb, bool& cancelar, std::string& informe);
    bool Autenticar(db::Connection& conexion, const std::string& usuario, const std::string& clave);
    bool UpdateStatistics(db::Connection& conn, bool& cancelar, std::string& informe);
    // Runs one whole pass; informe receives the report (untouched when the login is refused).
    // False when the engine is not created, the login is refused, the pass is cancelled, no phase
    // succeeded or the connection fails (then the progress text, and in an unattended run the log,
    // tell why).
    bool MejorarRendimiento(bool onLine, const std::string& serverPath, bool& cancelar,
                            const std::string& usuarioId, const std::string& usuarioPw,
                            std::string& informe);
    // The definition's display name without blanks.
    std::string NombreArchivo() const;
    // True for a definition of the cloud database service.
    bool EsCloud() const;

private:
    // Raises Progreso with texto and the given flag; a receiver that throws is ignored.
    void Progreso(std::string texto, bool& cancelar);
    // texto as a SQL string literal, every "'" doubled: O'Brien gives 'O''Brien'.
    static std::string Entrecomillar(const std::string& texto);
    // Each phase lives in a file of its own (Reindexar.cpp, Densidad.cpp, ...).
    double DensidadIndice(db::Connection& conn, const std::string& tabla, const std::string& indice);
    bool TratarIndice(db::Connection& conn, const std::string& tabla, const std::string& indice,
                      bool bloquear, bool& cancelar, std::string& informe);
    bool LogShrinkFile(db::Connection& conn, int32_t mb, std::string& textoError);
    bool LogTruncate(db::Connection& conn, bool& cancelar, std::string& informe);
    bool BackupLog(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                   std::string& informe);
    bool BackupDatabase(db::Connection& conn, const std::string& serverPath, bool& cancelar,
                        std::string& informe);
    bool TraduceError(int32_t numero, const std::string& descripcion, db::Connection& conn,
                      const std::string& sql, std::string& textoError, const std::string& ruta);
    std::string ArchivoEstadistica() const;
    bool CargaEstadistica();
    void GuardaEstadistica();

    db::FabricaConexion fabrica_;
    const Reloj& reloj_;
    ManejadorProgreso progreso_;
    db::WaitHook espera_;

    PerfilConexion perfil_;
    bool creado_ = false;
    std::string rutaCFP_, archivoCFP_;
    Valor estadistica_;
    std::string rutaEstadistica_;
    int32_t intentos_ = 0;  // authentication checks since the last success
};

}  // namespace velqor
