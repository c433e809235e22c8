// The portable install into a folder whose path holds a blank: the pages velqor-config.md links to
// travel with it, and the systemd units name the program so that systemd can run it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "CarpetaTemporal.h"

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

// Runs a command line through the shell; answers its exit status and, in salida, what it printed.
int Corre(const std::string& orden, std::string& salida, const CarpetaTemporal& carpeta) {
    const std::string archivo = carpeta.En("salida.txt");
    const int estado = std::system((orden + " > '" + archivo + "' 2>&1").c_str());
    salida = LeeBytes(archivo);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

class InstalacionE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string salida;
        ASSERT_EQ(Corre(std::string("'") + VELQOR_CMAKE + "' --install '" + VELQOR_BUILD_DIR +
                            "' --prefix '" + destino.string() + "'",
                        salida, carpeta),
                  0)
            << salida;
    }

    CarpetaTemporal carpeta;
    fs::path destino = carpeta.Ruta() / "Velqor install";
};

TEST_F(InstalacionE2e, TheInstalledGuideTakesThePagesItLinksTo) {
    const std::string guia = LeeBytes((destino / "docs" / "velqor-config.md").string());
    ASSERT_FALSE(guia.empty());
    for (const char* pagina : {"cfp-format.md", "launch-config.md", "user-table.md"}) {
        SCOPED_TRACE(pagina);
        EXPECT_NE(guia.find(std::string("(") + pagina), std::string::npos) << "linked";
        EXPECT_TRUE(fs::exists(destino / "docs" / pagina)) << "installed";
    }
    EXPECT_TRUE(fs::exists(destino / "docs" / "usuariospw.sql"));
}

TEST_F(InstalacionE2e, TheUnitsQuoteTheProgramAndPassSystemdsCheck) {
    for (const char* unidad : {"velqor-night.service", "velqor-night-system.service"}) {
        SCOPED_TRACE(unidad);
        const std::string texto = LeeBytes((destino / "systemd" / unidad).string());
        EXPECT_NE(texto.find("ExecStart=\"" + (destino / "velqor").string() + "\" \"" +
                             (destino / "night.ZEVcos").string() + "\""),
                  std::string::npos)
            << texto;
        EXPECT_NE(texto.find("TimeoutStopSec=60"), std::string::npos);
    }
    EXPECT_NE(LeeBytes((destino / "systemd" / "velqor-night-system.service").string())
                  .find("\nUser="),
              std::string::npos);

    std::string salida;
    if (Corre("command -v systemd-analyze", salida, carpeta) != 0) {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    for (const char* unidad :
         {"velqor-night.service", "velqor-night-system.service", "velqor-night.timer"}) {
        SCOPED_TRACE(unidad);
        const int codigo = Corre("cd '" + (destino / "systemd").string() +
                                     "' && systemd-analyze verify --man=no ./" + unidad,
                                 salida, carpeta);
        EXPECT_EQ(codigo, 0) << salida;
        EXPECT_EQ(salida, "") << "no complaint";
    }
}

}  // namespace
}  // namespace velqor::prueba
