// The built program run unattended where it cannot write: the report folder missing for good or
// read-only, the program folder (reports and log) read-only, a full disk. The run ends by itself
// with exit code 1, says what it could not write where it can, and never loses the month's history.
// Permission bits do not stop root: a test running as root runs the program as nobody.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "HistorialPrevio.h"
#include "InstalacionPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

class FalloDisco : public ::testing::Test {
  protected:
    void SetUp() override { inst.EscribeDefinicion(sqlsim.Puerto()); }

    static void SoloLectura(const fs::path& carpeta) {
        fs::permissions(carpeta,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }

    SqlsimProceso sqlsim{EscenarioVentas("")};
    InstalacionPrueba inst;
};

TEST_F(FalloDisco, AReportFolderThatCannotExistFailsTheRunAndSaysSo) {
    // A folder below a regular file can be made by nobody, root included.
    EscribeBytes(inst.informes.En("archivo"), "not a folder");
    const std::string carpeta = inst.informes.En("archivo") + "/informes";
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(carpeta));
    ASSERT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.codigo, 1) << r.error << inst.Unico(".txt");
    EXPECT_NE(inst.Unico(".txt").find("\r\nTime: "), std::string::npos) << "the pass ran";
    EXPECT_NE(inst.Unico(".log").find(InstalacionPrueba::ArchivoHistorial(carpeta)),
              std::string::npos)
        << inst.Unico(".log");
}

TEST_F(FalloDisco, AReadOnlyReportFolderKeepsTheHistoryAndFailsTheRun) {
    const HistorialPrevio historial(inst.ArchivoHistorial());
    SoloLectura(inst.informes.Ruta());
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), Limites{.sinPrivilegios = true});
    ASSERT_TRUE(r.terminoSolo);
    if (r.codigo == kNoPudoCederPrivilegios) GTEST_SKIP() << r.error;
    EXPECT_EQ(r.codigo, 1) << r.error << inst.Unico(".txt");
    EXPECT_NE(inst.Unico(".log").find(inst.ArchivoHistorial()), std::string::npos)
        << inst.Unico(".log");
    EXPECT_EQ(historial.Perdida(), "");
}

TEST_F(FalloDisco, AReadOnlyProgramFolderFailsTheRunAndSaysSoOnStandardError) {
    const HistorialPrevio historial(inst.ArchivoHistorial());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    SoloLectura(inst.programa.Ruta());
    const Corrida r = inst.Ejecuta(lanzamiento, Limites{.sinPrivilegios = true});
    ASSERT_TRUE(r.terminoSolo);
    if (r.codigo == kNoPudoCederPrivilegios) GTEST_SKIP() << r.error;
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_TRUE(inst.Archivos(".txt").empty());
    EXPECT_NE(r.error.find(inst.programa.Texto()), std::string::npos) << r.error;
    EXPECT_EQ(historial.Perdida(), "");
}

TEST_F(FalloDisco, AFullDiskFailsTheRunAndLosesNoHistory) {
    const HistorialPrevio historial(inst.ArchivoHistorial());
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), Limites{.tamanoMaximo = 0});
    ASSERT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.senal, 0);
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_TRUE(inst.Unico(".txt").empty()) << "no report, not even a part of one";
    EXPECT_NE(r.error, "") << "standard error says what could not be written";
    EXPECT_EQ(historial.Perdida(), "");
}

TEST_F(FalloDisco, OnAFullDiskADamagedHistoryIsStillSetAsideWhole) {
    const HistorialPrevio historial(inst.ArchivoHistorial(), true);
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), Limites{.tamanoMaximo = 0});
    ASSERT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_EQ(historial.Perdida(), "");
}

}  // namespace
}  // namespace velqor::prueba
