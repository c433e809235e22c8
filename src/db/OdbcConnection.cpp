#include "db/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "db/CadenaOdbc.h"
#include "db/ErrorOdbc.h"
#include "db/ErroresAdo.h"
#include "db/FilaBloque.h"
#include "db/EsperaConGancho.h"
#include "db/HandleOdbc.h"
#include "db/LectorResultado.h"
#include "db/Utf16.h"

namespace velqor::db {
namespace {

constexpr char kTextoEnlacePerdido[] = "Communication link failure";

SQLPOINTER ComoPuntero(SQLULEN valor) { return reinterpret_cast<SQLPOINTER>(valor); }

// Runs the batch up to its first result set that has columns and answers how many it has, or 0
// when the batch ends without one (every result then read). An error in any result fails the call.
SQLSMALLINT HastaPrimerResultado(SQLHSTMT sentencia, std::u16string& texto) {
    SQLRETURN rc = SQLExecDirectW(sentencia, reinterpret_cast<SQLWCHAR*>(texto.data()),
                                  static_cast<SQLINTEGER>(texto.size()));
    for (;;) {
        if (rc != SQL_NO_DATA) {
            if (!SQL_SUCCEEDED(rc)) throw ErrorDeSentencia(sentencia);
            SQLSMALLINT columnas = 0;
            if (!SQL_SUCCEEDED(SQLNumResultCols(sentencia, &columnas)))
                throw ErrorDeSentencia(sentencia);
            if (columnas > 0) return columnas;
        }
        rc = SQLMoreResults(sentencia);
        if (rc == SQL_NO_DATA) return 0;
    }
}

// Reads the batch's remaining results to their end (discarding their rows), so that the
// connection is ready for the next statement; an error in any of them fails the call.
void TerminaLote(SQLHSTMT sentencia) {
    for (;;) {
        const SQLRETURN rc = SQLMoreResults(sentencia);
        if (rc == SQL_NO_DATA) return;
        if (!SQL_SUCCEEDED(rc)) throw ErrorDeSentencia(sentencia);
    }
}

// Runs the batch and answers its first result set that has columns, read whole.
std::unique_ptr<Recordset> EjecutaLote(SQLHSTMT sentencia, std::u16string& texto) {
    const SQLSMALLINT columnas = HastaPrimerResultado(sentencia, texto);
    if (columnas == 0) return nullptr;
    std::unique_ptr<Recordset> primero = LeeResultado(sentencia, columnas);
    TerminaLote(sentencia);
    return primero;
}

// Marks the connection busy for the length of a call, so that a wait hook re-entering it is
// refused instead of sharing the handles with the worker.
class Ocupacion {
public:
    explicit Ocupacion(bool& ocupado) : ocupado_(ocupado) {
        if (ocupado_) throw ErrorEjecucion(ado::kOperacionEnCurso, ado::kTextoOperacionEnCurso);
        ocupado_ = true;
    }
    ~Ocupacion() { ocupado_ = false; }
    Ocupacion(const Ocupacion&) = delete;
    Ocupacion& operator=(const Ocupacion&) = delete;

private:
    bool& ocupado_;
};

class OdbcConnection final : public Connection {
public:
    ~OdbcConnection() override { Libera(); }

    void SetCommandTimeout(int32_t segundos) override { tiempoComando_ = Validado(segundos); }

    void SetConnectionTimeout(int32_t segundos) override { tiempoConexion_ = Validado(segundos); }

    void SetWaitHook(WaitHook hook) override { gancho_ = std::move(hook); }

    void Open(const std::string& cadena, const std::string& usuario, const std::string& clave,
              int32_t /*opciones*/) override {
        Ocupacion ocupacion(ocupado_);
        if (abierta_) throw ErrorEjecucion(ado::kObjetoAbierto, ado::kTextoObjetoAbierto);
        try {
            HandleOdbc entorno(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
            SQLSetEnvAttr(entorno.get(), SQL_ATTR_ODBC_VERSION, ComoPuntero(SQL_OV_ODBC3), 0);
            HandleOdbc conexion(SQL_HANDLE_DBC, entorno.get());
            SQLSetConnectAttr(conexion.get(), SQL_ATTR_LOGIN_TIMEOUT,
                              ComoPuntero(static_cast<SQLULEN>(tiempoConexion_)), 0);
            SQLSetConnectAttr(conexion.get(), SQL_ATTR_AUTOCOMMIT, ComoPuntero(SQL_AUTOCOMMIT_ON),
                              0);
            std::u16string completa = AUtf16(ConCredenciales(cadena, usuario, clave));
            // Nothing can interrupt a login: a failing hook waits for it to end (within the
            // login time-out), and a login that succeeded meanwhile is closed with its handles.
            const WaitHook gancho = gancho_;  // the hook may replace itself while it runs
            espera_.Ejecuta(
                gancho, [&] { Conecta(conexion.get(), completa); }, nullptr);
            entorno_ = std::move(entorno);
            conexion_ = std::move(conexion);
            abierta_ = true;
        } catch (const ErrorOdbc& e) {
            errores_ = e.Registros();
            throw;
        }
    }

    std::unique_ptr<Recordset> Execute(const std::string& sentencia,
                                       int32_t /*opciones*/) override {
        Ocupacion ocupacion(ocupado_);
        if (!abierta_) throw ErrorEjecucion(errores::kObjetoCerrado, ado::kTextoObjetoCerrado);
        std::unique_ptr<Recordset> resultado;
        ConDiagnosticos([&] {
            Sentencia s = NuevaSentencia(sentencia);
            s.Espera([&] { resultado = EjecutaLote(s.handle.get(), s.texto); });
        });
        return resultado;
    }

    bool Recorre(const std::string& sentencia, const std::vector<std::string>& columnas,
                 const LectorFilas& lee, int32_t /*opciones*/) override {
        Ocupacion ocupacion(ocupado_);
        if (!abierta_) throw ErrorEjecucion(errores::kObjetoCerrado, ado::kTextoObjetoCerrado);
        bool hubo = false;
        ConDiagnosticos([&] { hubo = RecorreLote(NuevaSentencia(sentencia), columnas, lee); });
        return hubo;
    }

    void Close() override {
        Ocupacion ocupacion(ocupado_);
        Libera();
    }

    bool IsOpen() const override { return abierta_; }

    const std::vector<ErrorProveedor>& Errors() const override { return errores_; }

private:
    static int32_t Validado(int32_t segundos) {
        if (segundos < 0)
            throw ErrorEjecucion(ado::kArgumentoInvalido, ado::kTextoArgumentoInvalido);
        return segundos;
    }

    static void Conecta(SQLHDBC conexion, std::u16string& cadena) {
        SQLSMALLINT largo = 0;
        const SQLRETURN rc = SQLDriverConnectW(
            conexion, nullptr, reinterpret_cast<SQLWCHAR*>(cadena.data()),
            static_cast<SQLSMALLINT>(cadena.size()), nullptr, 0, &largo, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) throw ErrorDeLogin(conexion);
    }

    // Whether the driver has seen the link drop (FreeTDS words a socket closed mid-answer as
    // "Unexpected EOF from the server", with no SQLSTATE of class 08).
    bool ConexionMuerta() const {
        SQLUINTEGER muerta = SQL_CD_FALSE;
        const SQLRETURN rc =
            SQLGetConnectAttr(conexion_.get(), SQL_ATTR_CONNECTION_DEAD, &muerta, 0, nullptr);
        return SQL_SUCCEEDED(rc) && muerta == SQL_CD_TRUE;
    }

    // A statement handle with its text, run under the connection's wait hook.
    struct Sentencia {
        HandleOdbc handle;
        std::u16string texto;
        WaitHook gancho;  // the hook may replace itself while it runs
        EsperaConGancho& espera;
        // Runs a blocking step on it; a failing hook cancels the step.
        void Espera(const std::function<void()>& paso) {
            espera.Ejecuta(gancho, paso, [this] { SQLCancel(handle.get()); });
        }
    };

    Sentencia NuevaSentencia(const std::string& texto) {
        Sentencia s{HandleOdbc(SQL_HANDLE_STMT, conexion_.get()), AUtf16(texto), gancho_, espera_};
        if (tiempoComando_ > 0)
            SQLSetStmtAttr(s.handle.get(), SQL_ATTR_QUERY_TIMEOUT,
                           ComoPuntero(static_cast<SQLULEN>(tiempoComando_)), 0);
        return s;
    }

    // Runs the batch and hands the rows of its first result set to `lee`, a block at a time
    // fetched under the wait hook and handed over on this thread.
    static bool RecorreLote(Sentencia s, const std::vector<std::string>& nombres,
                            const LectorFilas& lee) {
        const SQLHSTMT h = s.handle.get();
        SQLSMALLINT columnas = 0;
        s.Espera([&] { columnas = HastaPrimerResultado(h, s.texto); });
        if (columnas == 0) return false;
        try {
            LectorBloques lector(h, FilaBloque::Elegidas(h, columnas, nombres));
            FilaBloque fila(lector, nombres);
            bool hay = false;
            for (;;) {
                s.Espera([&] { hay = lector.Siguiente(); });
                if (!hay) break;
                for (std::size_t f = 0; f < lector.Filas(); ++f) {
                    fila.Posiciona(f);
                    lee(fila);
                }
            }
        } catch (const ErrorOdbc&) {
            throw;
        } catch (...) {
            // The reader gave up: the rest of the batch is dropped so that the connection can
            // take the next statement.
            SQLFreeStmt(h, SQL_CLOSE);
            throw;
        }
        s.Espera([&] { TerminaLote(h); });
        return true;
    }

    // Runs `llamada`, publishing the diagnostics of an ODBC failure in Errors() and closing the
    // connection when the failure says the link is gone.
    void ConDiagnosticos(const std::function<void()>& llamada) {
        try {
            llamada();
        } catch (const ErrorOdbc& e) {
            errores_ = e.Registros();
            if (e.EnlacePerdido()) {
                Libera();  // later calls fail at once, as on a closed connection
                throw;
            }
            if (!ConexionMuerta()) throw;
            // The driver saw the link drop but said so vaguely ("Unknown error", "Unexpected
            // EOF"): lead with the standard record for it, then the driver's own.
            Libera();
            std::vector<ErrorProveedor> registros{{0, kTextoEnlacePerdido, "08S01"}};
            registros.insert(registros.end(), e.Registros().begin(), e.Registros().end());
            errores_ = registros;
            throw ErrorOdbc(errores::kFalloGeneral, std::move(registros));
        }
    }

    void Libera() noexcept {
        conexion_.Libera();
        entorno_.Libera();
        abierta_ = false;
    }

    int32_t tiempoComando_ = 30;  // ADO's defaults
    int32_t tiempoConexion_ = 15;
    WaitHook gancho_;
    HandleOdbc entorno_;
    HandleOdbc conexion_;
    bool abierta_ = false;
    bool ocupado_ = false;
    std::vector<ErrorProveedor> errores_;
    // Last, so that its worker has stopped before the handles go.
    EsperaConGancho espera_;
};

}  // namespace

std::unique_ptr<Connection> NuevaConexionOdbc() { return std::make_unique<OdbcConnection>(); }

}  // namespace velqor::db
