// Whole maintenance passes through the real ODBC stack against sqlsim: the report, the statements
// the server received, the backup files it wrote, and how its refusals end up in the report.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PaseE2e.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(PaseE2eTest, OffLinePassOn2019WritesTheNineLineReportAndSendsExactlyTheseStatements) {
    escenario["durations"] = {{"dbreindex", 1100}, {"backupdatabase", 1000}};
    Arranca();
    int esperas = 0;
    motor->AlEsperar([&esperas] { ++esperas; });
    EXPECT_TRUE(Pasa(false));
    EXPECT_GT(esperas, 0);  // the window could pump its events during the slow statements
    std::cout << "---- report of the off-line pass ----\n"
              << informe << "-------------------------------------\n";
    Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
           P("Shrink Ventas_log"), P("Backup Log"),
           P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
           P("Shrink Ventas_log"), P("Backup Database"), kTiempo});
    const std::string clave = Codificador::Cifra(VersionPrograma::kEmpresa, "SECRETO");
    const std::string bak = respaldos + "\\\\";
    EXPECT_THAT(
        Diario(),
        ElementsAre(
            "SELECT * FROM UsuariosPW WHERE (Usuario_ID='operador') And (Usuario_PW='" + clave +
                "')",
            "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS",
            "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
            "WHERE type = 'U' OR type = 'V'",
            "DBCC SHOWCONTIG ('[dbo].[Clientes]',[PK_Clientes]) WITH FAST, TABLERESULTS, "
            "NO_INFOMSGS",
            "DBCC DBREINDEX ('[dbo].[Clientes]', 'PK_Clientes')",
            "DBCC SHOWCONTIG ('[dbo].[Clientes]',[PK_Clientes]) WITH FAST, TABLERESULTS, "
            "NO_INFOMSGS",
            "sp_updatestats", "SELECT name FROM sys.database_files WHERE type = 1 ORDER BY file_id",
            "DBCC SHRINKFILE([Ventas_log], 1)",
            "BACKUP LOG [Ventas] TO DISK='" + bak + "Ventas_BackupLog_<stamp>.dat'",
            "BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
            "SELECT name FROM sys.database_files WHERE type = 1 ORDER BY file_id",
            "DBCC SHRINKFILE([Ventas_log], 1)",
            "BACKUP DATABASE [Ventas] TO DISK='" + bak + "Ventas_Backup_<stamp>.dat'"));
    const auto archivos = ArchivosRespaldo();
    ASSERT_EQ(archivos.size(), 2u);
    EXPECT_TRUE(std::regex_match(archivos[0], std::regex(R"(Ventas_BackupLog_\d{14}\.dat)")));
    EXPECT_TRUE(std::regex_match(archivos[1], std::regex(R"(Ventas_Backup_\d{14}\.dat)")));
    // The rebuild was measured before and after.
    const Valor historia = motor->Estadistica();
    const Lista& medicion =
        historia.ComoLista().at(0).ComoLista().at(3).ComoLista().at(0).ComoLista();
    EXPECT_EQ(medicion.at(0), Valor::Doble(42.5));
    EXPECT_EQ(medicion.at(3), Valor::Doble(100));
    EXPECT_EQ(medicion.at(4), Valor::Logico(true));
    EXPECT_EQ(eventos.back(), "Done");
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(PaseE2eTest, OnLinePassDefragments) {
    Arranca();
    EXPECT_TRUE(Pasa(true));
    EXPECT_EQ(Lineas().at(1).rfind("Defrag Index Clientes.PK_Clientes (", 0), 0u) << informe;
    EXPECT_THAT(Diario(), ::testing::Contains(
                              "DBCC INDEXDEFRAG ([Ventas], '[dbo].[Clientes]', 'PK_Clientes')"));
    EXPECT_THAT(eventos, ::testing::Contains("Defrag: Clientes -> PK_Clientes"));
}

TEST_F(PaseE2eTest, LogBackupThatDoesNotApplyLetsThePassGoOn) {
    const struct {
        const char* recuperacion;
        bool respaldada;
        const char* linea;
    } casos[] = {
        {"SIMPLE", true, "Backup Log Doesn't apply because of RECOVERY MODEL SIMPLE"},
        {"FULL", false, "Backup Log Doesn't apply because it was never backed up"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.linea);
        escenario["databases"][0]["recovery"] = caso.recuperacion;
        escenario["databases"][0]["backedUp"] = caso.respaldada;
        informe.clear();
        for (const auto& n : ArchivosRespaldo()) std::filesystem::remove(respaldos + "/" + n);
        Arranca();
        EXPECT_TRUE(Pasa());
        Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
               P("Shrink Ventas_log"), P(caso.linea, false),
               P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
               P("Shrink Ventas_log"), P("Backup Database"), kTiempo});
        EXPECT_EQ(ArchivosRespaldo().size(), 1u);
    }
}

TEST_F(PaseE2eTest, MissingBackupFolderCancelsTheRestOfThePass) {
    Arranca();
    respaldos = carpeta.En("no-existe");
    EXPECT_FALSE(Pasa());
    Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
           P("Shrink Ventas_log"), P("Backup Log Invalid path: " + respaldos, false), "Cancelled",
           kTiempo});
    EXPECT_EQ(eventos.back(), "Cancelled");
    EXPECT_THAT(Diario().back(), HasSubstr("BACKUP LOG [Ventas] TO DISK="));
}

TEST_F(PaseE2eTest, Server2005AcceptsTheTruncate) {
    escenario["version"] = 9;
    Arranca();
    EXPECT_TRUE(Pasa());
    Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
           P("Shrink Ventas_log"), P("Backup Log"), P("Log Truncate"), P("Shrink Ventas_log"),
           P("Backup Database"), kTiempo});
}

TEST_F(PaseE2eTest, RefusedOperatorLeavesTheReportUntouchedAndSendsNoMaintenance) {
    Arranca();
    informe = "sin tocar";
    EXPECT_FALSE(Pasa(false, "operador", "equivocada"));
    EXPECT_EQ(informe, "sin tocar");
    EXPECT_THAT(cuadros, ElementsAre("Please give a valid password"));
    const auto diario = Diario();
    ASSERT_EQ(diario.size(), 2u);
    EXPECT_EQ(diario[1], "SELECT Usuario_cd FROM UsuariosPW");
}

TEST_F(PaseE2eTest, NamesWithBlanksAndQuotesAreTreatedAndShownAsTheyAre) {
    escenario["databases"] = json::array({Base("Mi O'Base", "O'Brien Datos", "PK O'Brien]")});
    escenario["defaultDatabase"] = "Mi O'Base";
    for (const bool onLine : {false, true}) {
        SCOPED_TRACE(onLine);
        informe.clear();
        Arranca("Mi O'Base");
        EXPECT_TRUE(Pasa(onLine));
        const std::string prefijo = onLine ? "Defrag Index " : "Reindex ";
        Forma({R"(Mi O'Base \d\d-\d\d-\d{4} \d\d:\d\d:\d\d)",
               P(prefijo + "O'Brien Datos.PK O'Brien]"), P("Update Statistics"),
               P("Shrink Mi O'Base_log"), P("Backup Log"),
               P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
               P("Shrink Mi O'Base_log"), P("Backup Database"), kTiempo});
        EXPECT_THAT(Diario(),
                    ::testing::Contains(
                        onLine ? "DBCC INDEXDEFRAG ([Mi O'Base], '[dbo].[O''Brien Datos]', "
                                 "'PK O''Brien]')"
                               : "DBCC DBREINDEX ('[dbo].[O''Brien Datos]', 'PK O''Brien]')"));
        const Valor historia = motor->Estadistica();
        const Lista& medicion =
            historia.ComoLista().at(0).ComoLista().at(3).ComoLista().back().ComoLista();
        EXPECT_EQ(medicion.at(0), Valor::Doble(42.5));  // the index with a blank was measured
    }
}

TEST_F(PaseE2eTest, UnattendedPassThatCannotConnectSaysWhyInTheLog) {
    Arranca();
    sim->Detiene();
    FijaDesatendido(true);
    informe = "sin tocar";
    EXPECT_FALSE(Pasa());
    FijaDesatendido(false);
    EXPECT_EQ(informe, "sin tocar");
    ASSERT_EQ(eventos.size(), 2u);
    EXPECT_EQ(eventos[1].rfind("Error ", 0), 0u) << eventos[1];
    const std::string log = LeeBytes(ArchivoLog());
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\r\nError )")))
        << log;
    EXPECT_THAT(log, HasSubstr("\r\nVentas\r\n"));
    EXPECT_THAT(cuadros, IsEmpty());
}

// The cloud marker is sought in the server text; an instance name carrying it still reaches the
// local simulator because the port is given.
TEST_F(PaseE2eTest, CloudDefinitionRunsNoBackups) {
    Arranca("Ventas", "127.0.0.1\\velqor.database.windows.net,{port}");
    ASSERT_TRUE(motor->EsCloud());
    EXPECT_TRUE(Pasa());
    Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
           P("Shrink Ventas_log"),
           P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
           P("Shrink Ventas_log"), kTiempo});
    for (const auto& l : Diario()) EXPECT_THAT(l, ::testing::Not(HasSubstr("TO DISK")));
    EXPECT_THAT(ArchivosRespaldo(), IsEmpty());
}

}  // namespace
}  // namespace velqor::prueba
