// A fourth independent client: jTDS, the JDBC driver many administration tools use, through the
// one-file Java client ClienteJtds.java. Skipped where Java or jTDS is not installed.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

TEST(SqlsimJtds, TheJdbcDriverConnectsAndRunsWhatAPassSends) {
    const std::string java = VELQOR_JAVA, jar = VELQOR_JTDS_JAR;
    if (java.empty() || jar.empty() || !std::filesystem::exists(java) ||
        !std::filesystem::exists(jar)) {
        GTEST_SKIP() << "Java or jTDS (libjtds-java) is not installed";
    }
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida =
        EjecutaComando("timeout 120 " + java + " -cp " + jar + " " + VELQOR_CLIENTE_JTDS + " " +
                           std::to_string(s.Puerto()) + " " + kUsuario + " '" + kClave + "' Ventas",
                       "");
    const std::string dbcc =
        "message 2528: DBCC execution completed. If DBCC printed error messages, contact your "
        "system administrator.\n";
    EXPECT_EQ(salida,
              "connected 15.00.2000\n"
              // jTDS's login asks for ODBC behaviour: ANSI_WARNINGS, ANSI_PADDING, ANSI_NULLS,
              // QUOTED_IDENTIFIER and ANSI_NULL_DFLT_ON (8 + 16 + 32 + 256 + 1024).
              "session 38 2147483647 -1 1336\n"
              "row Admin 1\n"
              "row O'Brien 2\n"
              "survey PK_Clientes 800 42.5\n" +
                  dbcc +
                  "error 2501: Cannot find a table or object with the name \"Nada\". Check the "
                  "system catalog.\n" +
                  dbcc +
                  "message 15650: Updating [dbo].[Clientes]\n"
                  "message 15651:     2 index(es)/statistic(s) have been updated, 0 did not "
                  "require update.\n"
                  "message 15650: Updating [dbo].[O'Brien]\n"
                  "message 15651:     2 index(es)/statistic(s) have been updated, 0 did not "
                  "require update.\n"
                  "message 15650: Updating [Sales].[Clientes]\n"
                  "message 15651:     1 index(es)/statistic(s) have been updated, 0 did not "
                  "require update.\n"
                  "message 15650: Updating [dbo].[Sales.Clientes]\n"
                  "message 15651:     1 index(es)/statistic(s) have been updated, 0 did not "
                  "require update.\n"
                  "message 15653: Statistics for all tables have been updated.\n"
                  "prepared Admin 1\n"
                  "prepared O'Brien 2\n"
                  "executesql Admin 1\n"
                  "executesql O'Brien 2\n"
                  "done\n");
    const std::string conexion =
        "SELECT @@MAX_PRECISION\\r\\nSET TRANSACTION ISOLATION LEVEL READ COMMITTED\\r\\nSET "
        "IMPLICIT_TRANSACTIONS OFF\\r\\nSET QUOTED_IDENTIFIER ON\\r\\nSET TEXTSIZE 2147483647";
    const std::string preparada = "SELECT Usuario_cd FROM UsuariosPW WHERE Usuario_ID =  @P0 ";
    EXPECT_EQ(s.LineasDiario(),
              (std::vector<std::string>{
                  conexion, "SELECT @@MAX_PRECISION, @@TEXTSIZE, @@LOCK_TIMEOUT, @@OPTIONS",
                  "SELECT Usuario_ID, Usuario_cd FROM UsuariosPW",
                  "DBCC SHOWCONTIG ('Clientes', PK_Clientes) WITH FAST, TABLERESULTS",
                  "DBCC SHOWCONTIG ('Nada')", "DBCC DBREINDEX ('Clientes', 'PK_Clientes')",
                  "EXEC sp_updatestats", preparada, preparada, conexion, preparada, preparada}));
}

}  // namespace
}  // namespace velqor::prueba
