// Whole maintenance passes through the real ODBC stack against sqlsim: the report, the statements
// the server received, the backup files it wrote, and how its refusals end up in the report.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AutoridadPrueba.h"
#include "PaseE2e.h"
#include "db/VersionControlador.h"
#include "engine/Diagnostico.h"

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
    // A folder that starts with "/" is the server's own Linux path: joined with "/".
    const std::string bak = respaldos + "/";
    EXPECT_THAT(
        Diario(),
        ElementsAre(
            "SELECT * FROM UsuariosPW WHERE (Usuario_ID='operador') And (Usuario_PW='" + clave +
                "')",
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
    const HistorialDensidad historia = motor->Estadistica();
    const Medicion& medicion = historia.Filas().at(0).mediciones.at(0);
    EXPECT_EQ(medicion.antes, 42.5);
    EXPECT_EQ(medicion.despues, 100);
    EXPECT_TRUE(medicion.bloquear);
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
        const HistorialDensidad historia = motor->Estadistica();
        const Medicion& medicion = historia.Filas().at(0).mediciones.back();
        EXPECT_EQ(medicion.antes, 42.5);  // the index with a blank was measured
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

// The cloud service is known by its engine edition, whatever name reaches it: with the marker in
// the server text (an instance name carrying it still reaches the local simulator because the
// port is given) or through a plain address, as a private endpoint or an alias would be. The
// check and the pass agree, and no BACKUP statement reaches the server.
TEST_F(PaseE2eTest, CloudServiceReachedByAnyNameGetsNoBackupStatement) {
    escenario["engineEdition"] = 5;
    for (const bool marcador : {true, false}) {
        SCOPED_TRACE(marcador ? "cloud name" : "plain address");
        informe.clear();
        eventos.clear();
        motor.reset();
        Arranca("Ventas",
                marcador ? "127.0.0.1\\velqor.database.windows.net,{port}" : "127.0.0.1,{port}");
        EXPECT_EQ(motor->EsCloud(), marcador);

        auto conn = motor->AbreConexion();
        const Diagnostico d = Diagnostica(*motor, *conn);
        conn->Close();
        EXPECT_TRUE(d.nube);
        EXPECT_EQ(d.producto, "Azure SQL Database");
        EXPECT_EQ(d.edicionMotor, 5);
        std::vector<std::string> noAplican;
        for (const PasoNoAplica& p : d.noAplican) noAplican.push_back(p.paso + ": " + p.motivo);
        const std::string motivo = "Doesn't apply to Azure SQL Database";
        EXPECT_THAT(noAplican, ElementsAre("Backup Log: " + motivo, "Log Truncate: " + motivo,
                                           "Backup Database: " + motivo));

        EXPECT_TRUE(Pasa());
        Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
               P("Shrink Ventas_log"), P("Log Truncate " + motivo, false), P("Shrink Ventas_log"),
               kTiempo});
        const auto diario = Diario();
        EXPECT_THAT(diario,
                    ::testing::Contains("ALTER INDEX [PK_Clientes] ON [dbo].[Clientes] REBUILD"));
        for (const auto& l : diario) EXPECT_THAT(l, ::testing::Not(HasSubstr("BACKUP")));
        EXPECT_THAT(ArchivosRespaldo(), IsEmpty());
        EXPECT_EQ(eventos.back(), "Done");
    }
}

// Encrypted connections. The server's certificate comes from an authority made up for the test;
// Ventas.cfp trusts it through CAFile where a case says so.
class CifradoE2eTest : public PaseE2eTest {
  protected:
    CifradoE2eTest() { autoridad.EscribeCertificado(ca); }
    // The server takes `postura` ("off", "on", "required") with a certificate naming `nombres`.
    void Servidor(const std::string& postura,
                  const std::vector<std::string>& nombres = {"127.0.0.1", "localhost"}) {
        autoridad.EmiteServidor(nombres, carpeta.En("servidor.pem"), carpeta.En("servidor.key"));
        escenario["encryption"] = postura;
        escenario["certificate"] = carpeta.En("servidor.pem");
        escenario["privateKey"] = carpeta.En("servidor.key");
    }
    std::string ConCa() const { return "Encrypt = yes\r\nCAFile = " + ca + "\r\n"; }

    AutoridadPrueba autoridad;
    std::string ca = carpeta.En("autoridad.pem");
};

TEST_F(CifradoE2eTest, EncryptedPassWritesTheSameReportAndSendsTheSameStatements) {
    for (const char* postura : {"on", "required"}) {
        SCOPED_TRACE(postura);
        Servidor(postura);
        definicionExtra = ConCa();
        Arranca();
        EXPECT_TRUE(Pasa(false)) << informe;
        Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
               P("Shrink Ventas_log"), P("Backup Log"),
               P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
               P("Shrink Ventas_log"), P("Backup Database"), kTiempo});
        const auto diario = Diario();
        ASSERT_EQ(diario.size(), 15u);  // as the clear-text pass: login check, survey, catalog, ...
        EXPECT_THAT(diario.front(), HasSubstr("FROM UsuariosPW WHERE (Usuario_ID='operador')"));
        EXPECT_THAT(diario.back(), HasSubstr("BACKUP DATABASE [Ventas] TO DISK="));
        EXPECT_EQ(eventos.back(), "Done");
        informe.clear();
        eventos.clear();
    }
}

TEST_F(CifradoE2eTest, ServerThatRequiresEncryptionIsServedToADefinitionThatDoesNotAsk) {
    Servidor("required");
    Arranca();
    EXPECT_TRUE(Pasa(false)) << (eventos.empty() ? "" : eventos.back());
    EXPECT_EQ(eventos.back(), "Done");
}

TEST_F(CifradoE2eTest, CertificateTrustedExplicitlyIsAcceptedWithoutItsAuthority) {
    Servidor("on", {"otro.example"});
    definicionExtra = "Encrypt = yes\r\nTrustServerCertificate = yes\r\n";
    Arranca();
    EXPECT_TRUE(Pasa(false)) << (eventos.empty() ? "" : eventos.back());
}

struct Rechazo {
    const char* caso;
    const char* postura;
    std::vector<std::string> nombres;
    bool conCa;           // CAFile names the test's authority
    const char* cifrado;  // the Encrypt line's value
    const char* motivo;   // what the status bar and the log must say
};

void PrintTo(const Rechazo& r, std::ostream* os) { *os << r.caso; }

class RechazoCifradoE2eTest : public CifradoE2eTest,
                              public ::testing::WithParamInterface<Rechazo> {};

TEST_P(RechazoCifradoE2eTest, UnattendedPassIsRefusedWithTheReasonInStatusAndLog) {
    const Rechazo& r = GetParam();
    Servidor(r.postura, r.nombres);
    definicionExtra =
        std::string("Encrypt = ") + r.cifrado + "\r\n" + (r.conCa ? "CAFile = " + ca + "\r\n" : "");
    Arranca();
    FijaDesatendido(true);
    EXPECT_FALSE(Pasa());
    FijaDesatendido(false);
    ASSERT_EQ(eventos.size(), 2u);
    EXPECT_THAT(eventos[1], HasSubstr(r.motivo));
    EXPECT_EQ(eventos[1].find('\n'), std::string::npos);  // one line
    EXPECT_THAT(LeeBytes(ArchivoLog()), HasSubstr(r.motivo));
    EXPECT_THAT(Diario(), IsEmpty());
    EXPECT_THAT(cuadros, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, RechazoCifradoE2eTest,
    ::testing::Values(
        Rechazo{"ServerWithoutEncryption",
                "off",
                {"127.0.0.1"},
                true,
                "yes",
                "The server does not support encryption, which the definition requires"},
        Rechazo{"ServerThatRequiresItAndDefinitionSaysNo",
                "required",
                {"127.0.0.1"},
                false,
                "no",
                "The server accepts encrypted connections only and the definition says Encrypt "
                "= no: set Encrypt = yes"},
        Rechazo{"CertificateOfAnUnknownAuthority",
                "on",
                {"127.0.0.1"},
                false,
                "yes",
                "The server's certificate is not trusted ("},
        Rechazo{"CertificateForAnotherHost",
                "on",
                {"otro.example"},
                true,
                "yes",
                "The server's certificate is not issued for 127.0.0.1"}),
    [](const ::testing::TestParamInfo<Rechazo>& i) { return std::string(i.param.caso); });

TEST_F(CifradoE2eTest, StrictOnADriverThatCannotDoItIsRefusedBeforeConnecting) {
    std::string version;
    if (db::ConoceStrict("FreeTDS", version)) GTEST_SKIP() << "the installed FreeTDS knows strict";
    Servidor("required");
    definicionExtra = "Encrypt = strict\r\n";
    Arranca();
    EXPECT_FALSE(Pasa());
    ASSERT_EQ(eventos.size(), 2u);
    EXPECT_THAT(eventos[1], HasSubstr("Encrypt = strict needs FreeTDS 1.4 or later and the "
                                      "installed driver is FreeTDS " +
                                      version));
    EXPECT_THAT(Diario(), IsEmpty());
}

}  // namespace
}  // namespace velqor::prueba

namespace velqor::prueba {
namespace {

using ::testing::Contains;

TEST_F(PaseE2eTest, BackupPathsAreJoinedWithTheSeparatorOfTheServersPlatform) {
    // A folder that does not start with "/" leaves the platform to the server's word; sqlsim,
    // started from this test's folder, takes a relative path from there.
    const std::string relativa =
        std::filesystem::relative(respaldos, std::filesystem::current_path()).string();
    const struct {
        const char* caso;
        int version;
        const char* plataforma;
        std::string carpeta;
        std::string enDiario;  // the log backup's file as the journal shows it
        bool escrito;          // the server wrote the backup into respaldos
    } casos[] = {
        {"SQL Server 2019 on Linux", 15, "Linux", relativa, relativa + "/Ventas_BackupLog_", true},
        {"SQL Server 2019 on Windows", 15, "Windows", "C:\\Bak", "C:\\\\Bak\\\\Ventas_BackupLog_",
         false},
        {"SQL Server 2016, which has no sys.dm_os_host_info", 13, "Linux", "C:\\Bak",
         "C:\\\\Bak\\\\Ventas_BackupLog_", false},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caso);
        escenario["version"] = caso.version;
        escenario["hostPlatform"] = caso.plataforma;
        respaldos = caso.carpeta;
        Arranca();
        EXPECT_EQ(Pasa(), caso.escrito) << informe;
        const auto diario = Diario();
        EXPECT_THAT(diario, Contains("SELECT host_platform FROM sys.dm_os_host_info"));
        EXPECT_THAT(diario, Contains(HasSubstr("BACKUP LOG [Ventas] TO DISK='" + caso.enDiario)));
        respaldos = carpeta.En("bak");
        EXPECT_EQ(ArchivosRespaldo().size(), caso.escrito ? 2u : 0u);
        for (const auto& n : ArchivosRespaldo()) std::filesystem::remove(respaldos + "/" + n);
    }
}

}  // namespace
}  // namespace velqor::prueba
