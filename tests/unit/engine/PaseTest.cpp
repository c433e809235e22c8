// The maintenance pass as a whole: order of phases, report, events, cancellation, failures.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "MotorPrueba.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class PaseTest : public MotorPrueba {
  protected:
    // The times of the report example: survey 3 s, rebuild 2 min 5 s, statistics 12 s,
    // log backup 3 s, database backup 1 min 2 s.
    void TiemposDelEjemplo() {
        guion.Cuando("DBCC SHOWCONTIG () ",
                     Encuesta({{Valor::Texto("Clientes"), Valor::Texto("PK_Clientes"),
                                Valor::Largo(1), Valor::Doble(62.5)}})
                         .Tarda(3));
        guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(125));
        guion.Cuando("sp_updatestats", Respuesta::Nada().Tarda(12));
        guion.Cuando("BACKUP LOG [Ventas] TO DISK", Respuesta::Nada().Tarda(3));
        guion.Cuando("BACKUP DATABASE", Respuesta::Nada().Tarda(62));
    }
    std::vector<std::string> Propios() const {
        std::vector<std::string> r;
        for (const Evento& e : eventos) {
            if (e.banderaDelPase) r.push_back(e.texto);
        }
        return r;
    }
};

TEST_F(PaseTest, OffLinePassWritesTheNineLineReport) {
    ASSERT_TRUE(Crea());
    TiemposDelEjemplo();
    EXPECT_TRUE(Pasa(false, "D:\\Bak"));
    EXPECT_THAT(Lineas(),
                ElementsAre("Ventas 04-12-2026 16:35:41",
                            "Reindex Clientes.PK_Clientes (2 minutes 5 seconds)",
                            "Update Statistics (12 seconds)", "Shrink Ventas_log (<1 second)",
                            "Backup Log (3 seconds)",
                            "Log Truncate Doesn't apply to SQL Server 2008 or higher",
                            "Shrink Ventas_log (<1 second)", "Backup Database (1 minute 2 seconds)",
                            "Time: 3 Minutes 25 Seconds"));
    const std::string clave = Codificador::Cifra(VersionPrograma::kEmpresa, "SECRETO");
    EXPECT_THAT(
        guion.sentencias,
        ElementsAre(
            "SELECT * FROM UsuariosPW WHERE (Usuario_ID='ana') And (Usuario_PW='" + clave + "')",
            "SELECT CAST(SERVERPROPERTY('EngineEdition') AS int) AS engine_edition",
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
            // A folder that does not start with "/" leaves the separator to the server's platform.
            "SELECT host_platform FROM sys.dm_os_host_info",
            "BACKUP LOG [Ventas] TO DISK='D:\\Bak\\Ventas_BackupLog_20261204163801.dat'",
            "BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
            "SELECT name FROM sys.database_files WHERE type = 1 ORDER BY file_id",
            "DBCC SHRINKFILE([Ventas_log], 1)",
            "BACKUP DATABASE [Ventas] TO DISK='D:\\Bak\\Ventas_Backup_20261204163804.dat'"));
    EXPECT_THAT(guion.opciones, ElementsAre(1, 1, 1, 1, 1, 1, 1, -1, 1, 1, 1, 1, 1, 1, 1, 1));
    EXPECT_THAT(
        Textos(),
        ElementsAre("Connect...", "Waiting for server response...", "Reading 1",
                    "Reindex: Clientes -> PK_Clientes", "Updating statistics...",
                    "Shrink Ventas_log => 1MB", "Doesn't apply to SQL Server 2008 or higher",
                    "Shrink Ventas_log => 1MB", "Backing up database...", "Done"));
    // Only the announcements that can stop the pass carry its own flag.
    EXPECT_THAT(
        Propios(),
        ElementsAre("Reindex: Clientes -> PK_Clientes", "Updating statistics...",
                    "Shrink Ventas_log => 1MB", "Doesn't apply to SQL Server 2008 or higher",
                    "Shrink Ventas_log => 1MB", "Backing up database...", "Done"));
    EXPECT_EQ(InicioProceso(), HacerMomento(2026, 12, 4, 16, 35, 41));
}

TEST_F(PaseTest, AdvanceNoticesFollowTheStepsAndCountTheIndexes) {
    ASSERT_TRUE(Crea());
    guion.Cuando(
        "DBCC SHOWCONTIG () ",
        Encuesta({{Valor::Texto("A"), Valor::Texto("I1"), Valor::Largo(1), Valor::Doble(10)},
                  {Valor::Texto("B"), Valor::Texto("I2"), Valor::Largo(1), Valor::Doble(20)},
                  {Valor::Texto("C"), Valor::Texto("I3"), Valor::Largo(1), Valor::Doble(100)}}));
    std::vector<std::string> avances;
    motor->AlAvanzar([&avances](const Velqor::Avance& a) {
        avances.push_back(Velqor::TextoPaso(a.paso) +
                          (a.paso == Velqor::Paso::Indices
                               ? " " + std::to_string(a.hechos) + "/" + std::to_string(a.total)
                               : ""));
    });
    EXPECT_TRUE(Pasa());
    EXPECT_THAT(avances, ElementsAre("survey", "indexes 0/2", "indexes 1/2", "indexes 2/2",
                                     "statistics", "log shrink", "log backup", "log truncate",
                                     "log shrink", "database backup", "done"));
    // Cancelled at the second index: the count stops, the end is still told.
    avances.clear();
    CancelaEn("Reindex: ", 2);
    EXPECT_FALSE(Pasa());
    EXPECT_THAT(avances, ElementsAre("survey", "indexes 0/2", "indexes 1/2", "done"));
}

TEST_F(PaseTest, ReceiverThatThrowsDoesNotDisturbThePass) {
    ASSERT_TRUE(Crea());
    motor->AlProgresar([](std::string&, bool&) { throw std::runtime_error("window gone"); });
    EXPECT_TRUE(Pasa());
    EXPECT_EQ(Lineas().size(), 9u);
}

TEST_F(PaseTest, OpensItsConnectionFromTheDefinitionWithTheAgreedSettings) {
    ASSERT_TRUE(Crea());
    motor->AlEsperar([] {});
    Pasa();
    EXPECT_EQ(guion.conexionesHechas, 1);
    EXPECT_EQ(guion.commandTimeout, 0);
    EXPECT_EQ(guion.connectionTimeout, 30);
    EXPECT_TRUE(guion.hookInstalado);
    ASSERT_EQ(guion.cadenas.size(), 4u);
    EXPECT_THAT(guion.cadenas[0], HasSubstr("Server=sql01"));
    EXPECT_THAT(guion.cadenas[0], HasSubstr("Database=Ventas"));
    EXPECT_EQ(guion.cadenas[1], "");
    EXPECT_EQ(guion.cadenas[2], "");
    EXPECT_EQ(guion.cadenas[3], "-1");
    EXPECT_EQ(guion.cierres, 1);
}

TEST_F(PaseTest, OnLinePassDefragmentsWithTheDatabaseNameBracketed) {
    ASSERT_TRUE(Crea());
    EXPECT_TRUE(Pasa(true));
    EXPECT_THAT(guion.Con("DBCC INDEXDEFRAG"),
                ElementsAre("DBCC INDEXDEFRAG ([Ventas], '[dbo].[Clientes]', 'PK_Clientes')"));
    EXPECT_THAT(guion.Con("DBCC DBREINDEX"), IsEmpty());
    EXPECT_EQ(Lineas().at(1), "Defrag Index Clientes.PK_Clientes (<1 second)");
    EXPECT_THAT(Textos(), ::testing::Contains("Defrag: Clientes -> PK_Clientes"));
}

TEST_F(PaseTest, EngineNotCreatedDoesNothingButRenewTheStart) {
    motor = std::make_unique<Velqor>(guion.Fabrica(), reloj);
    motor->AlProgresar([this](std::string& t, bool&) { eventos.push_back({t, false, false}); });
    FijaInicioProceso(HacerMomento(2020, 1, 1));
    informe = "previo";
    EXPECT_FALSE(Pasa());
    EXPECT_EQ(informe, "previo");
    EXPECT_THAT(eventos, IsEmpty());
    EXPECT_EQ(guion.conexionesHechas, 0);
    EXPECT_EQ(InicioProceso(), reloj.Ahora());
    EXPECT_FALSE(motor->EsCloud());
    bool c = false;
    std::string r;
    auto conn = Conexion();
    EXPECT_FALSE(motor->UpdateStatistics(*conn, c, r));
    EXPECT_FALSE(motor->LogReducirA(*conn, 1, c, r));
    EXPECT_FALSE(motor->DBReindex(*conn, "T", "I", c, r));
    EXPECT_FALSE(motor->IndexDefrag(*conn, "T", "I", c, r));
    EXPECT_FALSE(motor->ReindexarTodo(*conn, 100, 0, true, c, r));
    std::vector<IndiceEncuestado> lista(2);
    EXPECT_FALSE(motor->ObtenerDensidadActual(*conn, lista));
    EXPECT_EQ(lista.size(), 2u);
    EXPECT_THAT(guion.sentencias, IsEmpty());
    EXPECT_THAT(eventos, IsEmpty());
    EXPECT_EQ(r, "");
}

// The cloud service takes no BACKUP statement at all: both backups are left out and the
// truncation (a BACKUP LOG) is not sent, the report saying why.
TEST_F(PaseTest, CloudPassSkipsBothBackups) {
    ASSERT_TRUE(Crea("velqor-prod.database.windows.net"));
    EXPECT_TRUE(motor->EsCloud());
    EsLaNube();
    EXPECT_TRUE(Pasa());
    EXPECT_THAT(guion.Con("BACKUP"), IsEmpty());
    EXPECT_THAT(guion.Con("ALTER INDEX"),
                ElementsAre("ALTER INDEX [PK_Clientes] ON [dbo].[Clientes] REBUILD"));
    EXPECT_EQ(guion.Con("DBCC SHRINKFILE").size(), 2u);
    const auto lineas = Lineas();
    ASSERT_EQ(lineas.size(), 7u);
    EXPECT_EQ(lineas[3], "Shrink Ventas_log (<1 second)");
    EXPECT_EQ(lineas[4], "Log Truncate Doesn't apply to Azure SQL Database");
    EXPECT_EQ(lineas[5], "Shrink Ventas_log (<1 second)");
}

TEST_F(PaseTest, CloudMarkerIsSoughtCaseSensitivelyAnywhereInTheServerText) {
    const struct {
        const char* servidor;
        bool nube;
    } casos[] = {
        {"prod.database.windows.net", true},
        {"tcp:prod.database.windows.net,1433", true},
        {"PROD.DATABASE.WINDOWS.NET", false},
        {"sql01\\database", false},
        {"127.0.0.1,1433", false},
    };
    for (const auto& caso : casos) {
        ASSERT_TRUE(Crea(caso.servidor)) << caso.servidor;
        EXPECT_EQ(motor->EsCloud(), caso.nube) << caso.servidor;
    }
}

TEST_F(PaseTest, CreateRefusesMissingAndForeignDefinitions) {
    motor = std::make_unique<Velqor>(guion.Fabrica(), reloj);
    bool noEsSQL = false;
    EXPECT_FALSE(motor->Crear(carpeta.Texto(), "Inexistente", carpeta.Texto(), noEsSQL));
    EXPECT_FALSE(noEsSQL);
    EscribeCfp("Oracle", "ora01", "Ventas", 3);
    EXPECT_FALSE(motor->Crear(carpeta.Texto(), "Oracle", carpeta.Texto(), noEsSQL));
    EXPECT_TRUE(noEsSQL);
    EXPECT_FALSE(motor->Creado());
}

TEST_F(PaseTest, FileNameDropsEveryBlankOfTheDisplayName) {
    EscribeCfp("ventas", "sql01", "Ventas", 2, "Mi  Base de Ventas ");
    motor = std::make_unique<Velqor>(guion.Fabrica(), reloj);
    bool noEsSQL = false;
    ASSERT_TRUE(motor->Crear(carpeta.Texto(), "ventas", carpeta.Texto(), noEsSQL));
    EXPECT_EQ(motor->NombreArchivo(), "MiBasedeVentas");
}

// Where a cancel request is made, and what the pass then still does.
TEST_F(PaseTest, CancelTakesEffectOnlyAtAnnouncementsCarryingThePassFlag) {
    const struct {
        const char* evento;
        int n;
        std::vector<std::string> lineas;  // report without its first and last lines
        bool cancelado;
    } casos[] = {
        {"Reindex: ", 1, {}, true},
        {"Updating statistics...", 1, {"Reindex Clientes.PK_Clientes (<1 second)"}, true},
        // The shrink announced still runs and writes its line.
        {"Shrink ",
         1,
         {"Reindex Clientes.PK_Clientes (<1 second)", "Update Statistics (<1 second)",
          "Shrink Ventas_log (<1 second)"},
         true},
        {"Backing up database...",
         1,
         {"Reindex Clientes.PK_Clientes (<1 second)", "Update Statistics (<1 second)",
          "Shrink Ventas_log (<1 second)", "Backup Log (<1 second)",
          "Log Truncate Doesn't apply to SQL Server 2008 or higher",
          "Shrink Ventas_log (<1 second)", "Backup Database (<1 second)"},
         true},
        // Throw-away flags: the request is ignored.
        {"Connect...", 1, {}, false},
        {"Waiting for server response...", 1, {}, false},
        {"Reading ", 1, {}, false},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.evento);
        guion.sentencias.clear();
        eventos.clear();
        informe.clear();
        cancelar = false;
        ASSERT_TRUE(Crea());
        CancelaEn(caso.evento, caso.n);
        const bool resultado = Pasa();
        const auto lineas = Lineas();
        ASSERT_GE(lineas.size(), 2u);
        if (caso.cancelado) {
            EXPECT_FALSE(resultado);
            EXPECT_TRUE(cancelar);
            std::vector<std::string> esperadas{"Ventas 04-12-2026 16:35:41"};
            esperadas.insert(esperadas.end(), caso.lineas.begin(), caso.lineas.end());
            esperadas.push_back("Cancelled");
            esperadas.push_back("Time: <1 second");
            EXPECT_EQ(lineas, esperadas);
            EXPECT_EQ(Textos().back(), "Cancelled");
            EXPECT_TRUE(eventos.back().banderaDelPase);
        } else {
            EXPECT_TRUE(resultado);
            EXPECT_EQ(lineas.size(), 9u);
            EXPECT_EQ(Textos().back(), "Done");
        }
    }
}

TEST_F(PaseTest, CancelInTheFirstIndexAnnouncementSkipsEveryLaterPhase) {
    ASSERT_TRUE(Crea());
    CancelaEn("Reindex: ");
    EXPECT_FALSE(Pasa());
    EXPECT_THAT(guion.Con("sp_updatestats"), IsEmpty());
    EXPECT_THAT(guion.Con("DBCC SHRINKFILE"), IsEmpty());
    EXPECT_THAT(guion.Con("BACKUP"), IsEmpty());
    EXPECT_THAT(guion.Con("DBCC DBREINDEX"), IsEmpty());
}

TEST_F(PaseTest, ACancelLeftOverFromAnEarlierPassIsDropped) {
    ASSERT_TRUE(Crea());
    cancelar = true;
    EXPECT_TRUE(Pasa());
    EXPECT_FALSE(cancelar);
    EXPECT_EQ(Lineas().size(), 9u);
}

TEST_F(PaseTest, ACancelMadeWhileConnectingIsHonouredAtTheNextStep) {
    ASSERT_TRUE(Crea());
    motor->AlEsperar([this] { cancelar = true; });  // a click while the login waits
    EXPECT_FALSE(Pasa());
    EXPECT_TRUE(cancelar);
    ASSERT_EQ(Lineas().size(), 3u);
    EXPECT_EQ(Lineas()[1], "Cancelled");
    EXPECT_THAT(guion.Con("DBCC"), IsEmpty()) << "not even the survey ran";
    EXPECT_THAT(guion.Con("sp_updatestats"), IsEmpty());
    EXPECT_THAT(guion.Con("BACKUP"), IsEmpty());
}

TEST_F(PaseTest, PassWithNoSuccessfulPhaseAnswersFalseButSaysDone) {
    // In the cloud there are no backups, so every phase that runs can fail.
    ASSERT_TRUE(Crea("prod.database.windows.net"));
    EsLaNube();
    guion.Cuando("SELECT object_id, index_id, avg_fragmentation_in_percent",
                 Respuesta::Rechazo({{2571, "User does not have permission."}}));
    guion.Cuando("sp_updatestats",
                 Respuesta::Rechazo({{2812, "Could not find stored procedure 'sp_updatestats'."}}));
    guion.Cuando("SELECT name FROM sys.database_files", Respuesta::Filas({"name"}, {}));
    FijaDesatendido(true);  // the survey's error goes to the log, not to a message box
    EXPECT_FALSE(Pasa(false, "D:\\Bak"));
    EXPECT_EQ(Textos().back(), "Done");
    EXPECT_THAT(
        Lineas(),
        ElementsAre("Ventas 04-12-2026 16:35:41",
                    "[FreeTDS][SQL Server]Could not find stored procedure 'sp_updatestats'.",
                    "Shrink Ventas_log (<1 second)",
                    "Log Truncate Doesn't apply to Azure SQL Database",
                    "Shrink Ventas_log (<1 second)", "Time: <1 second"));
    EXPECT_THAT(cuadros, IsEmpty());
    EXPECT_THAT(
        LeeBytes(ArchivoLog()),
        HasSubstr("Native Error 2571: [FreeTDS][SQL Server]User does not have permission."));
}

TEST_F(PaseTest, RefusedLoginLeavesTheReportUntouched) {
    ASSERT_TRUE(Crea());
    guion.Cuando("SELECT * FROM UsuariosPW", Respuesta::Filas({"Usuario_ID"}, {}));
    informe = "antes\r\n";
    EXPECT_FALSE(Pasa());
    EXPECT_EQ(informe, "antes\r\n");
    EXPECT_EQ(guion.cierres, 1);
    EXPECT_THAT(guion.sentencias, ::testing::SizeIs(2));
    EXPECT_THAT(Textos(), ElementsAre("Connect...", "Please give a valid password"));
    EXPECT_THAT(cuadros, ElementsAre("Please give a valid password"));
}

TEST_F(PaseTest, ConnectionFailureRaisesTheErrorAndLogsItWhenUnattended) {
    for (const bool desatendido : {false, true}) {
        SCOPED_TRACE(desatendido);
        eventos.clear();
        ASSERT_TRUE(Crea());
        guion.AlAbrir(Respuesta::Rechazo({{18456, "Login failed for user 'velqor'."}}));
        FijaDesatendido(desatendido);
        informe = "antes";
        EXPECT_FALSE(Pasa());
        EXPECT_EQ(informe, "antes");
        ASSERT_EQ(eventos.size(), 2u);
        EXPECT_EQ(eventos[1].texto,
                  "Error -2147217900: [FreeTDS][SQL Server]Login failed for user 'velqor'.");
        EXPECT_FALSE(eventos[1].banderaDelPase);
        EXPECT_TRUE(eventos[1].valor);
        EXPECT_THAT(guion.sentencias, IsEmpty());
        const std::string log = LeeBytes(ArchivoLog());
        if (desatendido) {
            EXPECT_THAT(
                log, HasSubstr("Error 3604: [FreeTDS][SQL Server]Login failed for user 'velqor'."));
            EXPECT_THAT(log, HasSubstr("Native Error 18456"));
            EXPECT_THAT(log, HasSubstr("Ventas"));
        } else {
            EXPECT_EQ(log, "");
        }
        EXPECT_THAT(cuadros, IsEmpty());
    }
}

}  // namespace
}  // namespace velqor::prueba
