// Verified backups: a definition with VerifyBackup = yes takes both backups WITH CHECKSUM and has
// the server check each one with RESTORE VERIFYONLY; a backup that does not verify fails the pass.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "PaseE2e.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RespaldosVerificadosE2eTest : public PaseE2eTest {
  protected:
    RespaldosVerificadosE2eTest() { definicionExtra = "VerifyBackup = yes\r\n"; }

    // The backup files and their verification, as the journal shows them.
    std::vector<std::string> Respaldos() const {
        std::vector<std::string> r;
        for (const auto& l : Diario()) {
            if (l.rfind("BACKUP", 0) == 0 || l.rfind("RESTORE", 0) == 0) r.push_back(l);
        }
        return r;
    }
};

TEST_F(RespaldosVerificadosE2eTest, BothBackupsAreTakenWithChecksumsAndVerified) {
    Arranca();
    FijaDesatendido(true);
    const bool resultado = Pasa();
    FijaDesatendido(false);
    EXPECT_TRUE(resultado);
    EXPECT_FALSE(std::filesystem::exists(ArchivoLog())) << LeeBytes(ArchivoLog());
    Forma({kPrimera, P("Reindex Clientes.PK_Clientes"), P("Update Statistics"),
           P("Shrink Ventas_log"), P("Backup Log"), P("Verify Backup Log"),
           P("Log Truncate Doesn't apply to SQL Server 2008 or higher", false),
           P("Shrink Ventas_log"), P("Backup Database"), P("Verify Backup Database"), kTiempo});
    // The folder starts with "/": the server's own path, joined with "/".
    const std::string bak = respaldos + "/";
    const std::string log = "DISK='" + bak + "Ventas_BackupLog_<stamp>.dat'";
    const std::string base = "DISK='" + bak + "Ventas_Backup_<stamp>.dat'";
    std::cout << "---- journal of a verified pass ----\n";
    for (const auto& l : Diario()) std::cout << l << "\n";
    EXPECT_THAT(Respaldos(), ElementsAre("BACKUP LOG [Ventas] TO " + log + " WITH CHECKSUM",
                                         "RESTORE VERIFYONLY FROM " + log + " WITH CHECKSUM",
                                         "BACKUP LOG [Ventas] WITH TRUNCATE_ONLY",
                                         "BACKUP DATABASE [Ventas] TO " + base + " WITH CHECKSUM",
                                         "RESTORE VERIFYONLY FROM " + base + " WITH CHECKSUM"));
    EXPECT_THAT(cuadros, IsEmpty());
}

// The file is changed after the server wrote it and before it is verified (while the engine
// announces the verification).
TEST_F(RespaldosVerificadosE2eTest, ABackupAlteredBeforeItsVerificationFailsThePass) {
    for (const bool deBase : {false, true}) {
        SCOPED_TRACE(deBase ? "database backup" : "log backup");
        informe.clear();
        std::filesystem::remove_all(respaldos);
        std::filesystem::create_directory(respaldos);
        std::filesystem::remove(ArchivoLog());
        Arranca();
        int verificaciones = 0;
        motor->AlProgresar([&](std::string& texto, bool&) {
            eventos.push_back(texto);
            if (texto != "Verifying backup..." || ++verificaciones != (deBase ? 2 : 1)) return;
            for (const auto& e : std::filesystem::directory_iterator(respaldos)) {
                const std::string nombre = e.path().filename().string();
                if ((nombre.find("_Backup_") != std::string::npos) == deBase) {
                    std::ofstream(e.path(), std::ios::app) << "tampered";
                }
            }
        });
        FijaDesatendido(true);
        const bool resultado = Pasa();
        FijaDesatendido(false);
        EXPECT_FALSE(resultado);
        const std::string paso = deBase ? "Verify Backup Database " : "Verify Backup Log ";
        std::string linea;
        for (const auto& l : Lineas()) {
            if (l.rfind(paso, 0) == 0) linea = l;
        }
        EXPECT_THAT(linea, HasSubstr("NativeError 3241: "));
        EXPECT_THAT(linea, HasSubstr("is incorrectly formed"));
        // The other backup verified, and the pass went on to its end.
        EXPECT_EQ(Lineas().back().rfind("Time: ", 0), 0u);
        EXPECT_THAT(informe,
                    HasSubstr(deBase ? "Verify Backup Log (" : "Verify Backup Database ("));
        const std::string registro = LeeBytes(ArchivoLog());
        EXPECT_THAT(registro, HasSubstr("3241"));
        EXPECT_THAT(registro, HasSubstr(paso.substr(0, paso.size() - 1)));
    }
}

TEST_F(RespaldosVerificadosE2eTest, AMissingBackupFileIsReportedAsSuch) {
    Arranca();
    motor->AlProgresar([&](std::string& texto, bool&) {
        if (texto != "Verifying backup...") return;
        for (const auto& e : std::filesystem::directory_iterator(respaldos))
            std::filesystem::remove(e.path());
    });
    EXPECT_FALSE(Pasa());
    EXPECT_THAT(informe, HasSubstr("Verify Backup Log Invalid path: " + respaldos + "/"));
}

}  // namespace
}  // namespace velqor::prueba
