// sqlsim as a server: logins, the journal, many clients at once, injected faults, ATTENTION and
// a clean stop on SIGTERM.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <string>
#include <vector>

#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

// An ODBC environment and connection handle for one test; freed at the end.
class ConexionOdbc {
  public:
    ConexionOdbc() {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    }
    ~ConexionOdbc() {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    SQLHDBC Dbc() const { return dbc_; }

    // Connects; answers the first SQLSTATE on failure, "" on success.
    std::string Conecta(const std::string& cadena) {
        SQLCHAR salida[1024];
        SQLSMALLINT largo = 0;
        const SQLRETURN r = SQLDriverConnect(
            dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(cadena.c_str())), SQL_NTS,
            salida, sizeof salida, &largo, SQL_DRIVER_NOPROMPT);
        return SQL_SUCCEEDED(r) ? "" : Estado(SQL_HANDLE_DBC, dbc_);
    }

    // Runs a statement with a query timeout (0: none); answers the SQLSTATEs, "" on success.
    std::string Ejecuta(const std::string& sentencia, SQLULEN segundos = 0) {
        SQLHSTMT st = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
        SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(segundos), 0);
        SQLRETURN r = SQLExecDirect(
            st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sentencia.c_str())), SQL_NTS);
        while (SQL_SUCCEEDED(r)) r = SQLFetch(st);
        const std::string estado = r == SQL_NO_DATA ? "" : Estado(SQL_HANDLE_STMT, st);
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return estado;
    }

  private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;

    // The SQLSTATEs of every diagnostic record, joined with blanks.
    static std::string Estado(SQLSMALLINT tipo, SQLHANDLE h) {
        std::string estados;
        SQLCHAR estado[6] = {0};
        SQLINTEGER nativo = 0;
        SQLCHAR texto[512];
        SQLSMALLINT largo = 0;
        for (SQLSMALLINT i = 1;
             SQL_SUCCEEDED(SQLGetDiagRec(tipo, h, i, estado, &nativo, texto, sizeof texto, &largo));
             ++i) {
            estados += (estados.empty() ? "" : " ") + std::string(reinterpret_cast<char*>(estado));
        }
        return estados.empty() ? "?????" : estados;
    }
};

TEST(SqlsimLogin, WrongPasswordIs18456) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida = Tsql(s.Puerto(), kUsuario, "mala", "Ventas", {"SELECT 1"});
    EXPECT_TRUE(Contiene(salida, "Msg 18456 (severity 14, state 1)")) << salida;
    EXPECT_TRUE(Contiene(salida, "Login failed for user 'sa'.")) << salida;
}

TEST(SqlsimLogin, UnknownDatabaseIs4060) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida = Isql(s.CadenaConexion("Nada", kUsuario, kClave), {"SELECT 1"});
    EXPECT_TRUE(
        Contiene(salida, "Cannot open database \"Nada\" requested by the login. The login failed."))
        << salida;
}

TEST(SqlsimLogin, InjectedLoginErrorAndHangingLogin) {
    auto escenario = EscenarioPrueba();
    escenario["faults"] = {
        {{"on", "login"},
         {"match", "bloqueado"},
         {"error",
          {{"number", 18470},
           {"class", 14},
           {"text", "Login failed for user 'bloqueado'. Reason: The account is disabled."}}}},
        {{"on", "login"}, {"match", "^lento$"}, {"regex", true}, {"action", "hang"}}};
    escenario["logins"].push_back({{"user", "bloqueado"}, {"password", "x"}});
    escenario["logins"].push_back({{"user", "lento"}, {"password", "x"}});
    SqlsimProceso s(escenario.dump());
    const std::string salida = Isql(s.CadenaConexion("Ventas", "bloqueado", "x"), {"SELECT 1"});
    EXPECT_TRUE(Contiene(salida, "Reason: The account is disabled.")) << salida;

    ConexionOdbc c;
    SQLSetConnectAttr(c.Dbc(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(1), 0);
    EXPECT_TRUE(Contiene(c.Conecta(s.CadenaConexion("Ventas", "lento", "x")), "HYT00"));
}

TEST(SqlsimDiario, RecordsEveryBatchInOrder) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::vector<std::string> sentencias = {"SELECT Usuario_cd FROM UsuariosPW",
                                                 "DBCC SHRINKFILE([Otro log], 1)",
                                                 "BACKUP LOG Ventas WITH TRUNCATE_ONLY"};
    Isql(s.CadenaConexion("Ventas", kUsuario, kClave), sentencias);
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    EXPECT_EQ(c.Ejecuta("SELECT 1\r\nFROM\\x"), "42000");
    std::vector<std::string> esperadas = sentencias;
    esperadas.push_back("SELECT 1\\r\\nFROM\\\\x");
    EXPECT_EQ(s.LineasDiario(), esperadas);
}

TEST(SqlsimConcurrencia, ServesManyClientsAtOnce) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    std::vector<std::future<std::string>> clientes;
    for (int i = 0; i < 6; ++i) {
        clientes.push_back(std::async(std::launch::async, [&] {
            return Isql(cadena,
                        {"DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS",
                         "SELECT Usuario_cd FROM UsuariosPW"});
        }));
    }
    for (auto& c : clientes) {
        const std::string salida = c.get();
        EXPECT_TRUE(Contiene(salida, "SQLRowCount returns 6")) << salida;
        EXPECT_TRUE(Contiene(salida, "2 rows fetched")) << salida;
    }
    EXPECT_EQ(s.LineasDiario().size(), 12u);
}

TEST(SqlsimFallos, FailsOnlyTheNthMatchingStatement) {
    auto escenario = EscenarioPrueba();
    escenario["faults"] = {{{"match", "dbcc dbreindex"},
                            {"occurrence", 2},
                            {"error",
                             {{"number", 1205},
                              {"class", 13},
                              {"state", 51},
                              {"text", "Transaction was deadlocked."}}}}};
    SqlsimProceso s(escenario.dump());
    const std::string reindex = "DBCC DBREINDEX ('Clientes', 'PK_Clientes')";
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave), {reindex, reindex, reindex});
    EXPECT_EQ(salida.find("Transaction was deadlocked."),
              salida.rfind("Transaction was deadlocked."))
        << salida;
    EXPECT_TRUE(Contiene(salida, "Transaction was deadlocked.")) << salida;
}

TEST(SqlsimFallos, DropsTheConnectionAtTheMatchingStatement) {
    auto escenario = EscenarioPrueba();
    escenario["faults"] = {{{"match", "^BACKUP DATABASE"}, {"regex", true}, {"action", "drop"}}};
    SqlsimProceso s(escenario.dump());
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    EXPECT_EQ(c.Ejecuta("SELECT 1"), "");
    // FreeTDS reports the lost link (01000 "Unexpected EOF"), and the connection stays unusable.
    EXPECT_NE(c.Ejecuta("BACKUP DATABASE Ventas TO DISK='/nada/x.dat'"), "");
    EXPECT_NE(c.Ejecuta("SELECT 2"), "");
    EXPECT_EQ(s.LineasDiario(), (std::vector<std::string>{
                                    "SELECT 1", "BACKUP DATABASE Ventas TO DISK='/nada/x.dat'"}));
}

TEST(SqlsimAtencion, QueryTimeoutCancelsAHangingStatementAndTheConnectionGoesOn) {
    auto escenario = EscenarioPrueba();
    escenario["faults"] = {{{"match", "cuelga"}, {"action", "hang"}}};
    SqlsimProceso s(escenario.dump());
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    EXPECT_TRUE(Contiene(c.Ejecuta("SELECT 'cuelga'", 1), "HYT00"));
    EXPECT_EQ(c.Ejecuta("SELECT Usuario_cd FROM UsuariosPW"), "");
}

TEST(SqlsimAtencion, CancellingDuringASimulatedDurationLeavesTheStateAlone) {
    auto escenario = EscenarioPrueba();
    escenario["durations"] = {{"dbreindex", 5000}};
    SqlsimProceso s(escenario.dump());
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    EXPECT_TRUE(Contiene(c.Ejecuta("DBCC DBREINDEX ('Clientes', 'PK_Clientes')", 1), "HYT00"));
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
             {"DBCC SHOWCONTIG ('Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS"});
    EXPECT_TRUE(Contiene(salida, "| 42.5 ")) << salida;
}

TEST(SqlsimAtencion, ATableLockedForTheWholeRunHoldsIndexStatementsUntilTheClientCancels) {
    auto escenario = EscenarioPrueba();
    escenario["locks"] = {{{"database", "Ventas"}, {"table", "Clientes"}}};
    SqlsimProceso s(escenario.dump());
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    EXPECT_TRUE(Contiene(c.Ejecuta("ALTER INDEX ALL ON Clientes REBUILD", 1), "HYT00"));
    EXPECT_TRUE(Contiene(c.Ejecuta("DBCC DBREINDEX ('Clientes', [IX Nombre]]x])", 1), "HYT00"));
    EXPECT_EQ(c.Ejecuta("ALTER INDEX IX_OBrien ON [O'Brien] REBUILD"), "");
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
             {"DBCC SHOWCONTIG ('Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS"});
    EXPECT_TRUE(Contiene(salida, "| 42.5 ")) << salida;
}

// A plain TCP connection to the server; closed at the end.
class Enchufe {
  public:
    explicit Enchufe(uint16_t puerto) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in dir{};
        dir.sin_family = AF_INET;
        dir.sin_port = htons(puerto);
        dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        conectado_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) == 0;
    }
    ~Enchufe() { ::close(fd_); }
    bool Conectado() const { return conectado_; }
    void Envia(const std::string& bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // True when the server ends the connection within 5 seconds (end of stream or reset, after
    // whatever it sent before).
    bool CerradoPorElServidor() {
        const timeval espera{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &espera, sizeof espera);
        char b[512];
        for (;;) {
            const ssize_t n = ::recv(fd_, b, sizeof b, 0);
            if (n == 0) return true;
            if (n < 0) return errno == ECONNRESET;
        }
    }

  private:
    int fd_;
    bool conectado_ = false;
};

TEST(SqlsimRobustez, BrokenClientMessagesCloseOnlyThatConnection) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::vector<std::string> basura = {
        std::string("\x10\x01\x00\x0C\x00\x00\x00\x00"
                    "abcd",
                    12),                                     // LOGIN7 far too short
        std::string("\x12\x01\x00\x04\x00\x00\x00\x00", 8),  // length below the header
        std::string("\x01\x01\x00\x10\x00\x00\x01\x00"
                    "SELECT 1",
                    16),                                               // a batch before any login
        std::string("\x10\x01\x00\x60", 4) + std::string(92, '\xFF'),  // LOGIN7 of garbage offsets
    };
    for (const std::string& b : basura) {
        Enchufe e(s.Puerto());
        ASSERT_TRUE(e.Conectado());
        e.Envia(b);
        e.Envia(std::string(8, '\0'));
        EXPECT_TRUE(e.CerradoPorElServidor());
    }
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave), {"SELECT Usuario_cd FROM UsuariosPW"});
    EXPECT_TRUE(Contiene(salida, "2 rows fetched")) << salida;
}

TEST(SqlsimParada, SigtermStopsItWithOpenConnections) {
    SqlsimProceso s(EscenarioPrueba().dump());
    Enchufe inactivo(s.Puerto());
    ASSERT_TRUE(inactivo.Conectado());
    ConexionOdbc c;
    ASSERT_EQ(c.Conecta(s.CadenaConexion("Ventas", kUsuario, kClave)), "");
    const int estado = s.Detiene(5);
    ASSERT_TRUE(WIFEXITED(estado)) << estado;
    EXPECT_EQ(WEXITSTATUS(estado), 0);
}

TEST(SqlsimArranque, ABrokenScenarioIsRefusedWithItsReason) {
    const std::string salida =
        EjecutaComando(RutaSqlsim() + " --scenario /dev/stdin",
                       R"({"databases": [{"name": "X", "recovery": "NADA"}]})");
    EXPECT_TRUE(Contiene(salida, "databases.X.recovery")) << salida;
    EXPECT_FALSE(Contiene(salida, "listening")) << salida;
}

}  // namespace
}  // namespace velqor::prueba
