// What a connection carries from one statement to the next: its SET options, as the @@ functions
// show them and as they change the answers, and what the previous statement left (@@ROWCOUNT,
// @@ERROR).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

// One tsql session: each case's statements, then its SELECT, whose one row must read `fila`
// (tab-separated). FreeTDS sets fODBC in its login, so a session starts with the ANSI defaults
// (ANSI_WARNINGS 8, ANSI_PADDING 16, ANSI_NULLS 32, QUOTED_IDENTIFIER 256, ANSI_NULL_DFLT_ON 1024:
// 1336) and, on TDS 7.3 and later, an infinite TEXTSIZE (-1).
struct Caso {
    const char* nombre;
    std::vector<std::string> antes;
    std::string consulta;
    std::string fila;
};

TEST(SqlsimSesion, AtAtFunctionsFollowTheSessionsSetOptionsAndThePreviousStatement) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::vector<Caso> casos = {
        {"Defaults",
         {},
         "SELECT @@MAX_PRECISION, @@LOCK_TIMEOUT, @@TEXTSIZE, @@DATEFIRST, @@OPTIONS, @@LANGUAGE, "
         "@@LANGID, @@NESTLEVEL, @@TRANCOUNT",
         "38\t-1\t-1\t7\t1336\tus_english\t0\t0\t0"},
        {"Fixed",
         {},
         "SELECT @@SERVICENAME, @@MAX_CONNECTIONS, @@TIMETICKS, @@CURSOR_ROWS, @@IDENTITY, "
         "@@REMSERVER, @@SERVERNAME, @@TOTAL_ERRORS, @@PACKET_ERRORS",
         "MSSQLSERVER\t32767\t31250\t0\tNULL\tNULL\tSQLSIM\t0\t0"},
        {"SetOptions",
         {"SET LOCK_TIMEOUT 1800", "SET TEXTSIZE 2147483647", "SET DATEFIRST 1",
          "SET ANSI_NULLS, QUOTED_IDENTIFIER ON", "SET NOCOUNT ON", "SET NOCOUNT OFF",
          "SET XACT_ABORT ON"},
         "SELECT @@LOCK_TIMEOUT, @@TEXTSIZE, @@DATEFIRST, @@OPTIONS",
         "1800\t2147483647\t1\t17720"},  // XACT_ABORT 16384 added
        // ANSI_DEFAULTS adds CURSOR_CLOSE_ON_COMMIT 4 and IMPLICIT_TRANSACTIONS 2.
        {"AnsiDefaultsThenOneOff",
         {"SET ANSI_DEFAULTS ON", "SET IMPLICIT_TRANSACTIONS OFF", "SET TEXTSIZE 0"},
         "SELECT @@OPTIONS, @@TEXTSIZE",
         "1340\t4096"},
        {"RowCountOfTheStatementBefore",
         {"SELECT * FROM UsuariosPW"},
         "SELECT @@ROWCOUNT, @@ERROR",
         "2\t0"},
        {"ErrorOfTheStatementBefore", {"SELECT * FROM Nada"}, "SELECT @@ERROR", "208"},
        {"ErrorIsClearedByTheNextStatement",
         {"DBCC SHOWCONTIG ('Nada')", "SELECT 1"},
         "SELECT @@ERROR",
         "0"},
    };
    for (const Caso& c : casos) {
        std::vector<std::string> sentencias = c.antes;
        sentencias.push_back(c.consulta);
        const std::string salida = Tsql(s.Puerto(), kUsuario, kClave, "Ventas", sentencias);
        EXPECT_TRUE(Contiene(salida, "\n" + c.fila + "\n")) << c.nombre << "\n" << salida;
    }
}

TEST(SqlsimSesion, BeforeTds73AnOdbcLoginHasATextSizeOf2Gb) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida =
        Tsql(s.Puerto(), kUsuario, kClave, "Ventas", {"SELECT @@TEXTSIZE, @@OPTIONS"}, "7.1");
    EXPECT_TRUE(Contiene(salida, "\n2147483647\t1336\n")) << salida;
}

TEST(SqlsimSesion, OdbcLoginsStartWithTheAnsiDefaultsAndRpcsRunOneLevelDown) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    const std::string directo =
        Isql(cadena, {"SELECT @@OPTIONS AS o, @@TEXTSIZE AS t, @@NESTLEVEL AS n"});
    EXPECT_TRUE(Contiene(directo, "| 1336 ")) << directo;
    EXPECT_TRUE(Contiene(directo, "| -1 ")) << directo;
    EXPECT_TRUE(Contiene(directo, "| 0 ")) << directo;
    // Prepared, the statement runs inside sp_prepexec.
    const std::string preparado = Isql(cadena, {"SELECT @@NESTLEVEL AS n"}, false);
    EXPECT_TRUE(Contiene(preparado, "| 1 ")) << preparado;
    const std::string conexiones = Isql(cadena, {"SELECT @@CONNECTIONS AS c"});
    EXPECT_TRUE(Contiene(conexiones, "| 3 ")) << conexiones;
}

TEST(SqlsimSesion, NoCountAndRowCountChangeWhatComesBack) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    const std::string normal = Isql(cadena, {"SELECT * FROM UsuariosPW"});
    EXPECT_TRUE(Contiene(normal, "SQLRowCount returns 2")) << normal;
    const std::string sinCuenta = Isql(cadena, {"SET NOCOUNT ON", "SELECT * FROM UsuariosPW"});
    EXPECT_TRUE(Contiene(sinCuenta, "SQLRowCount returns -1")) << sinCuenta;
    EXPECT_TRUE(Contiene(sinCuenta, "O'Brien")) << sinCuenta;
    const std::string limitado = Isql(cadena, {"SET ROWCOUNT 1", "SELECT * FROM UsuariosPW",
                                               "SET ROWCOUNT 0", "SELECT COUNT_ME = 1"});
    EXPECT_TRUE(Contiene(limitado, "1 rows fetched")) << limitado;
    EXPECT_FALSE(Contiene(limitado, "O'Brien")) << limitado;
    const std::string mal =
        Tsql(s.Puerto(), kUsuario, kClave, "Ventas", {"SET NOCOUNT MAYBE", "SET LOCK_TIMEOUT abc"});
    EXPECT_TRUE(Contiene(mal, "Incorrect syntax near 'MAYBE'.")) << mal;
    EXPECT_TRUE(Contiene(mal, "Incorrect syntax near 'abc'.")) << mal;
}

}  // namespace
}  // namespace velqor::prueba
