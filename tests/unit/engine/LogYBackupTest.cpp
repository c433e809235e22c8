// The statistics update, the log shrink, truncation and the two backups, and how the server's
// refusals are translated.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>

#include "MotorPrueba.h"
#include "common/General.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class LogYBackupTest : public MotorPrueba {
  protected:
    void SetUp() override { ASSERT_TRUE(Crea()); }
    // The report line that starts with prefijo ("" when there is none).
    std::string Linea(const std::string& prefijo) const {
        for (const auto& l : Lineas()) {
            if (l.rfind(prefijo, 0) == 0) return l;
        }
        return "";
    }
};

const char* const kSentenciaLog =
    "BACKUP LOG [Ventas] TO DISK='D:\\Bak\\Ventas_BackupLog_20261204163541.dat'";

TEST_F(LogYBackupTest, BackupPathsAreJoinedWithTheServersOwnSeparator) {
    const struct {
        const char* caso;
        std::string carpeta;
        std::optional<Respuesta> plataforma;  // the answer to sys.dm_os_host_info; none: not asked
        std::string archivo;
    } casos[] = {
        {"Windows", "D:\\Bak", Respuesta::Filas({"host_platform"}, {{Valor::Texto("Windows")}}),
         "D:\\Bak\\Ventas_Backup_"},
        {"Linux", "Bak", Respuesta::Filas({"host_platform"}, {{Valor::Texto("Linux")}}),
         "Bak/Ventas_Backup_"},
        {"before 2017", "D:\\Bak",
         Respuesta::Rechazo({{208, "Invalid object name 'sys.dm_os_host_info'."}}),
         "D:\\Bak\\Ventas_Backup_"},
        {"a folder from the root", "/var/opt/mssql/backup", std::nullopt,
         "/var/opt/mssql/backup/Ventas_Backup_"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caso);
        guion.sentencias.clear();
        if (caso.plataforma) guion.Cuando("SELECT host_platform", *caso.plataforma);
        EXPECT_TRUE(Pasa(false, caso.carpeta));
        EXPECT_EQ(guion.Con("SELECT host_platform").size(), caso.plataforma ? 1u : 0u)
            << "asked once per pass, and only when the folder does not tell";
        const auto backups = guion.Con("BACKUP DATABASE");
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_THAT(backups[0], HasSubstr("TO DISK='" + caso.archivo)) << backups[0];
        EXPECT_EQ(Linea("Backup Database").find("Backup Database ("), 0u) << Linea("Backup Database");
    }
}

TEST_F(LogYBackupTest, LogBackupRefusalsAreTranslatedAndOnlyRealFailuresCancel) {
    const struct {
        Respuesta respuesta;
        std::string texto;
        bool cancela;
    } casos[] = {
        {Respuesta::Rechazo(
             {{4208, "The statement BACKUP LOG is not allowed while the recovery model is SIMPLE."},
              {3013, "BACKUP LOG is terminating abnormally."}}),
         "Doesn't apply because of RECOVERY MODEL SIMPLE", false},
        {Respuesta::Rechazo(
             {{4214, "BACKUP LOG cannot be performed because there is no current database backup."},
              {3013, "BACKUP LOG is terminating abnormally."}}),
         "Doesn't apply because it was never backed up", false},
        {Respuesta::Rechazo({{155, "'TRUNCATE_ONLY' is not a recognized BACKUP option."}}),
         "Doesn't apply to SQL Server 2008 or higher", false},
        {Respuesta::Rechazo({{3201, "Cannot open backup device 'D:\\Bak\\x.dat'."},
                             {3013, "BACKUP LOG is terminating abnormally."}}),
         "Invalid path: D:\\Bak", true},
        {Respuesta::Rechazo({{9002, "The transaction log for database 'Ventas' is full."}}),
         "NativeError 9002: [FreeTDS][SQL Server]The transaction log for database 'Ventas' is "
         "full. (" +
             std::string(kSentenciaLog) + ")",
         true},
        {Respuesta::Falla(5, "Invalid procedure call or argument"),
         "Error 5: Invalid procedure call or argument (" + std::string(kSentenciaLog) + ")", true},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.texto);
        guion.sentencias.clear();
        eventos.clear();
        guion.Cuando("BACKUP LOG [Ventas] TO DISK", caso.respuesta);
        EXPECT_EQ(Pasa(), !caso.cancela);
        EXPECT_EQ(Linea("Backup Log"), "Backup Log " + caso.texto);
        EXPECT_THAT(Textos(), ::testing::Contains(caso.texto));
        EXPECT_EQ(cancelar, caso.cancela);
        // A log that could not be backed up is neither truncated nor shrunk again, nor the database
        // backed up.
        EXPECT_EQ(guion.Con("BACKUP DATABASE").size(), caso.cancela ? 0u : 1u);
        EXPECT_EQ(guion.Con("DBCC SHRINKFILE").size(), caso.cancela ? 1u : 2u);
        EXPECT_EQ(Lineas().at(Lineas().size() - 2),
                  caso.cancela ? "Cancelled" : "Backup Database (<1 second)");
    }
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(LogYBackupTest, TruncateIsAcceptedByOldServersAndItsRefusalNeverStopsThePass) {
    guion.Cuando("BACKUP LOG [Ventas] WITH TRUNCATE_ONLY", Respuesta::Nada());
    EXPECT_TRUE(Pasa());
    EXPECT_EQ(Linea("Log Truncate"), "Log Truncate (<1 second)");

    guion.Cuando("BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
                 Respuesta::Rechazo(
                     {{3023, "Backup and file manipulation operations must be serialized."}}));
    EXPECT_TRUE(Pasa());
    EXPECT_EQ(Linea("Log Truncate"),
              "Log Truncate NativeError 3023: [FreeTDS][SQL Server]Backup and file manipulation "
              "operations must be "
              "serialized. (BACKUP LOG [Ventas] WITH TRUNCATE_ONLY)");
    EXPECT_FALSE(cancelar);
    EXPECT_EQ(Linea("Backup Database"), "Backup Database (<1 second)");
}

TEST_F(LogYBackupTest, DatabaseBackupIntoAMissingFolderFailsWithoutCancelling) {
    guion.Cuando("BACKUP LOG [Ventas] TO DISK",
                 Respuesta::Rechazo({{4214, "no current database backup."}}));
    guion.Cuando("BACKUP DATABASE", Respuesta::Rechazo({{3201, "Cannot open backup device."},
                                                        {3013, "terminating."}}));
    EXPECT_TRUE(Pasa(false, "E:\\Nada"));
    EXPECT_FALSE(cancelar);
    EXPECT_EQ(Linea("Backup Database"), "Backup Database Invalid path: E:\\Nada");
    EXPECT_EQ(Textos().back(), "Done");
    EXPECT_EQ(Textos().at(Textos().size() - 2), "Invalid path: E:\\Nada");
}

TEST_F(LogYBackupTest, BackupPathIsOneQuotedLiteralWithTheServerSeparator) {
    EXPECT_TRUE(Pasa(false, "D:\\Bak\\O'Neil\\"));
    EXPECT_THAT(guion.Con("BACKUP LOG [Ventas] TO"),
                ElementsAre("BACKUP LOG [Ventas] TO "
                            "DISK='D:\\Bak\\O''Neil\\\\Ventas_BackupLog_20261204163541.dat'"));
    EXPECT_THAT(guion.Con("BACKUP DATABASE"),
                ElementsAre("BACKUP DATABASE [Ventas] TO "
                            "DISK='D:\\Bak\\O''Neil\\\\Ventas_Backup_20261204163541.dat'"));
}

TEST_F(LogYBackupTest, ShrinkTakesTheFirstLogFileAndAlwaysWritesItsLine) {
    const struct {
        Respuesta archivos;
        Respuesta encogido;
        std::vector<std::string> sentencias;
        bool resultado;
    } casos[] = {
        {Respuesta::Filas({"name"}, {{Valor::Texto("Ventas_log")}, {Valor::Texto("Ventas_log2")}}),
         Respuesta::Nada(),
         {"DBCC SHRINKFILE([Ventas_log], 1)"},
         true},
        {Respuesta::Filas({"name"}, {}), Respuesta::Nada(), {}, false},
        {Respuesta::Nada(), Respuesta::Nada(), {}, false},
        {Respuesta::Filas({"name"}, {{Valor::Texto("Log ]x")}}),
         Respuesta::Nada(),
         {"DBCC SHRINKFILE([Log ]]x], 1)"},
         true},
        {Respuesta::Filas({"name"}, {{Valor::Texto("Ventas_log")}}),
         Respuesta::Rechazo({{8985, "Could not locate file 'Ventas_log' for database 'Ventas'."}}),
         {"DBCC SHRINKFILE([Ventas_log], 1)"},
         false},
        {Respuesta::Rechazo({{208, "Invalid object name 'sys.database_files'."}}),
         Respuesta::Nada(),
         {},
         false},
    };
    auto conn = Conexion();
    for (const auto& caso : casos) {
        guion.sentencias.clear();
        eventos.clear();
        informe.clear();
        guion.Cuando("SELECT name FROM sys.database_files", caso.archivos);
        guion.Cuando("DBCC SHRINKFILE", caso.encogido);
        EXPECT_EQ(motor->LogReducirA(*conn, 1, cancelar, informe), caso.resultado);
        EXPECT_EQ(guion.Con("DBCC SHRINKFILE"), caso.sentencias);
        EXPECT_EQ(informe, "Shrink Ventas_log (<1 second)\r\n");
        EXPECT_THAT(Textos(), ElementsAre("Shrink Ventas_log => 1MB"));
        EXPECT_TRUE(eventos[0].banderaDelPase);
    }
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(LogYBackupTest, ShrinkTargetIsWrittenInPlainDigits) {
    auto conn = Conexion();
    for (const int32_t mb : {0, -5, 2048}) {
        guion.sentencias.clear();
        motor->LogReducirA(*conn, mb, cancelar, informe);
        EXPECT_EQ(guion.Con("DBCC SHRINKFILE").at(0),
                  "DBCC SHRINKFILE([Ventas_log], " + std::to_string(mb) + ")");
    }
}

TEST_F(LogYBackupTest, RefusedStatisticsUpdateShowsTheErrorAndReportsItsDescription) {
    guion.Cuando(
        "sp_updatestats",
        Respuesta::Rechazo({{15247, "User does not have permission to perform this action."}}));
    auto conn = Conexion();
    CancelaEn("Error ");
    EXPECT_FALSE(motor->UpdateStatistics(*conn, cancelar, informe));
    EXPECT_EQ(informe,
              "[FreeTDS][SQL Server]User does not have permission to perform this action.\r\n");
    EXPECT_THAT(
        Textos(),
        ElementsAre("Updating statistics...",
                    "Error -2147217900: [FreeTDS][SQL Server]User does not have permission to "
                    "perform this action."));
    EXPECT_TRUE(eventos[1].banderaDelPase);
    EXPECT_TRUE(cancelar);  // a cancel given while the error shows stops the pass
    EXPECT_THAT(cuadros, IsEmpty());
    EXPECT_EQ(guion.opciones, std::vector<int32_t>{-1});
}

// A failed step of an unattended run: what the server answers, and what the log must then hold
// (the error and the step as its context; nothing for a step that merely does not apply).
struct CasoRegistro {
    const char* nombre;
    std::string prefijo;
    Respuesta respuesta;
    std::vector<std::string> enLog;  // empty: the run logs nothing
    std::string fueraDelLog = {};    // what the log must not hold

    friend void PrintTo(const CasoRegistro& caso, std::ostream* os) { *os << caso.nombre; }
};

class RegistroDesatendido : public MotorPrueba, public ::testing::WithParamInterface<CasoRegistro> {
  protected:
    void SetUp() override { ASSERT_TRUE(Crea()); }
};

const CasoRegistro kCasosRegistro[] = {
    // The fixture's server refuses the truncate as SQL Server 2008 and later do: no failure.
    {"CleanPass", "sp_updatestats", Respuesta::Nada(), {}},
    {"StatisticsRefused",
     "sp_updatestats",
     Respuesta::Rechazo({{15247, "User does not have permission to perform this action."}}),
     {"Error 3604: [FreeTDS][SQL Server]User does not have permission",
      "Native Error 15247: ", "\r\nUpdate Statistics\r\n"}},
    {"ShrinkRefused",
     "DBCC SHRINKFILE",
     Respuesta::Rechazo({{8985, "Could not locate file 'Ventas_log' for database 'Ventas'."}}),
     {"NativeError 8985: [FreeTDS][SQL Server]Could not locate file",
      "(DBCC SHRINKFILE([Ventas_log], 1))", "\r\nShrink Ventas_log\r\n"}},
    {"NoLogFileIsNoError",
     "SELECT name FROM sys.database_files",
     Respuesta::Filas({"name"}, {}),
     {}},
    {"TruncateRefusedForAnotherReason",
     "BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
     Respuesta::Rechazo({{3023, "Backup and file manipulation operations must be serialized."}}),
     {"NativeError 3023: ", "Native Error 3023: ", "\r\nLog Truncate\r\n"}},
    {"LogBackupDoesNotApply",
     "BACKUP LOG [Ventas] TO DISK",
     Respuesta::Rechazo({{4208, "not allowed while the recovery model is SIMPLE."}}),
     {}},
    {"LogBackupIntoAnInvalidPath",
     "BACKUP LOG [Ventas] TO DISK",
     Respuesta::Rechazo({{3201, "Cannot open backup device."}, {3013, "terminating."}}),
     {"Invalid path: D:\\Bak\r\n",
      "Native Error 3201: ", "Native Error 3013: ", "\r\nBackup Log\r\n"}},
    {"DatabaseBackupFailsWithoutAProviderError",
     "BACKUP DATABASE",
     Respuesta::Falla(5, "Invalid procedure call or argument"),
     {"Error 5: Invalid procedure call or argument (BACKUP DATABASE [Ventas] TO DISK=",
      "\r\nBackup Database\r\n"},
     // The truncate's earlier refusal is still in the connection's diagnostics; it does not
     // describe this failure, which must not pass for a step that does not apply.
     "Native Error 155"},
};

TEST_P(RegistroDesatendido, RealFailuresAreLoggedOnlyWhenUnattended) {
    const CasoRegistro& caso = GetParam();
    guion.Cuando(caso.prefijo, caso.respuesta);
    for (const bool desatendido : {false, true}) {
        SCOPED_TRACE(desatendido);
        std::filesystem::remove(ArchivoLog());
        FijaDesatendido(desatendido);
        informe.clear();
        Pasa();
        const std::string log = LeeBytes(ArchivoLog());
        if (!desatendido || caso.enLog.empty()) {
            EXPECT_EQ(log, "");
            continue;
        }
        for (const std::string& texto : caso.enLog) EXPECT_THAT(log, HasSubstr(texto));
        if (!caso.fueraDelLog.empty()) {
            EXPECT_THAT(log, Not(HasSubstr(caso.fueraDelLog)));
        }
    }
    EXPECT_THAT(cuadros, IsEmpty()) << "a run by hand keeps to its progress texts and report";
}

INSTANTIATE_TEST_SUITE_P(Pasos, RegistroDesatendido, ::testing::ValuesIn(kCasosRegistro),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace velqor::prueba
