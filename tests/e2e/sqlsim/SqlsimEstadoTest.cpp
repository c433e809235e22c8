// Statements that change the simulated server: index treatments raise densities, backups write
// files and mark the database as backed up, log backups refuse as SQL Server does. The state is
// shared by all connections of one sqlsim run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CarpetaTemporal.h"
#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

const std::string kError = "[FreeTDS][SQL Server]";
const std::string kDensidadPk =
    "DBCC SHOWCONTIG ('Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS";

// Position of `parte` in `texto`; npos when absent.
size_t En(const std::string& texto, const std::string& parte) { return texto.find(parte); }

TEST(SqlsimIndices, RebuildSetsDensityTo100ForLaterConnections) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    const std::string reindex = Isql(cadena, {"DBCC DBREINDEX ('Clientes', 'PK_Clientes')"});
    EXPECT_FALSE(Contiene(reindex, "ERROR")) << reindex;
    const std::string despues = Isql(cadena, {kDensidadPk});
    EXPECT_TRUE(Contiene(despues, "| 100 ")) << despues;
}

TEST(SqlsimIndices, DefragRaisesDensityAndReturnsItsCounts) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    const std::string defrag =
        Isql(cadena, {"DBCC INDEXDEFRAG (Ventas, 'Clientes', 'PK_Clientes')", kDensidadPk});
    EXPECT_TRUE(Contiene(defrag, "Pages Scanned")) << defrag;
    EXPECT_TRUE(Contiene(defrag, "Pages Moved")) << defrag;
    EXPECT_TRUE(Contiene(defrag, "Pages Removed")) << defrag;
    EXPECT_TRUE(Contiene(defrag, "| 800 ")) << defrag;
    EXPECT_TRUE(Contiene(defrag, "| 95 ")) << defrag;
}

TEST(SqlsimIndices, DatabaseNameWithBlankNeedsBrackets) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string cadena = s.CadenaConexion("Mi Base", kUsuario, kClave);
    const std::string salida = Isql(
        cadena, {"DBCC INDEXDEFRAG (Mi Base, 'T', 'PK_T')",
                 "DBCC INDEXDEFRAG ([Mi Base], 'T', 'PK_T')", "DBCC DBREINDEX ('T', 'PK_Nada')"});
    EXPECT_TRUE(Contiene(salida, kError + "Incorrect syntax near 'Base'.")) << salida;
    EXPECT_TRUE(Contiene(salida, "Pages Scanned")) << salida;
    EXPECT_TRUE(Contiene(salida, kError + "Parameter 2 is incorrect for this DBCC statement."))
        << salida;
}

TEST(SqlsimBackup, LogBackupUnderSimpleRecoveryIs4208Then3013) {
    SqlsimProceso s(EscenarioPrueba().dump());
    CarpetaTemporal carpeta;
    const std::string salida =
        Isql(s.CadenaConexion("Mi Base", kUsuario, kClave),
             {"BACKUP LOG [Mi Base] TO DISK='" + carpeta.Texto() + "\\Mi Base_BackupLog_1.dat'"});
    const size_t a = En(
        salida, kError +
                    "The statement BACKUP LOG is not allowed while the recovery model is SIMPLE. "
                    "Use BACKUP DATABASE or change the recovery model using ALTER DATABASE.");
    const size_t b = En(salida, kError + "BACKUP LOG is terminating abnormally.");
    ASSERT_NE(a, std::string::npos) << salida;
    ASSERT_NE(b, std::string::npos) << salida;
    EXPECT_LT(a, b);
    EXPECT_TRUE(std::filesystem::is_empty(carpeta.Ruta()));
}

TEST(SqlsimBackup, LogBackupBeforeAnyDatabaseBackupIs4214UntilOneIsTaken) {
    SqlsimProceso s(EscenarioPrueba().dump());
    CarpetaTemporal carpeta;
    const std::string cadena = s.CadenaConexion("Nueva", kUsuario, kClave);
    // The folder is written the Windows way, with backslashes.
    const std::string log =
        "BACKUP LOG Nueva TO DISK='" + carpeta.Texto() + "\\Nueva_BackupLog_1.dat'";
    const std::string antes = Isql(cadena, {log});
    EXPECT_LT(
        En(antes,
           kError + "BACKUP LOG cannot be performed because there is no current database backup."),
        En(antes, kError + "BACKUP LOG is terminating abnormally."));

    const std::string respaldo = Isql(
        cadena, {"BACKUP DATABASE [Nueva] TO DISK='" + carpeta.Texto() + "\\Nueva_Backup_1.dat'"});
    EXPECT_TRUE(
        Contiene(respaldo, "Processed 5120 pages for database 'Nueva', file 'Nueva' on file 1."))
        << respaldo;
    EXPECT_TRUE(Contiene(respaldo, "BACKUP DATABASE successfully processed")) << respaldo;
    EXPECT_TRUE(std::filesystem::exists(carpeta.En("Nueva_Backup_1.dat")));

    const std::string despues = Isql(cadena, {log});
    EXPECT_FALSE(Contiene(despues, "ERROR")) << despues;
    EXPECT_TRUE(Contiene(despues, "BACKUP LOG successfully processed")) << despues;
    EXPECT_TRUE(std::filesystem::exists(carpeta.En("Nueva_BackupLog_1.dat")));
}

TEST(SqlsimBackup, MissingFolderIs3201Then3013WithThePathAsWritten) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string ruta = "D:\\NoExiste\\Ventas_Backup_1.dat";
    for (const std::string tipo : {"DATABASE", "LOG"}) {
        const std::string salida = Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
                                        {"BACKUP " + tipo + " Ventas TO DISK='" + ruta + "'"});
        const size_t a = En(
            salida, kError + "Cannot open backup device '" + ruta +
                        "'. Operating system error 3(The system cannot find the path specified.).");
        const size_t b = En(salida, kError + "BACKUP " + tipo + " is terminating abnormally.");
        ASSERT_NE(a, std::string::npos) << salida;
        ASSERT_NE(b, std::string::npos) << salida;
        EXPECT_LT(a, b);
    }
}

TEST(SqlsimBackup, TruncateOnlyIsAcceptedBySqlServer2005) {
    auto escenario = EscenarioPrueba();
    escenario["version"] = 9;
    SqlsimProceso s(escenario.dump());
    const std::string salida = Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
                                    {"BACKUP LOG Ventas WITH TRUNCATE_ONLY"});
    EXPECT_FALSE(Contiene(salida, "ERROR")) << salida;
}

}  // namespace
}  // namespace velqor::prueba
