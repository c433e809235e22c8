// The one module that writes and reads whole files: replacing a file without ever leaving a part
// of it, keeping read-only targets, cleaning up after a killed writer, creating a file under a name
// nobody has, and reading under a size limit.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CarpetaTemporal.h"
#include "common/Archivo.h"

namespace velqor {
namespace {

namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

std::vector<std::string> Nombres(const CarpetaTemporal& carpeta) {
    std::vector<std::string> nombres;
    for (const auto& e : fs::directory_iterator(carpeta.Ruta()))
        nombres.push_back(e.path().filename().string());
    std::sort(nombres.begin(), nombres.end());
    return nombres;
}

mode_t Modo(const std::string& ruta) {
    struct stat st {};
    EXPECT_EQ(::stat(ruta.c_str(), &st), 0);
    return st.st_mode & 07777;
}

// The pid of a process that has ended (and been waited for).
pid_t PidTerminado() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int estado = 0;
    ::waitpid(pid, &estado, 0);
    return pid;
}

TEST(ReemplazaArchivo, ReplacesWithTheRequestedPermissionsAndLeavesNothingBehind) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("f");
    EscribeBytes(ruta, "old");
    ASSERT_EQ(::chmod(ruta.c_str(), 0640), 0);
    ASSERT_TRUE(ReemplazaArchivo(ruta, "new"));
    EXPECT_EQ(LeeBytes(ruta), "new");
    EXPECT_EQ(Modo(ruta), 0640U);
    ASSERT_TRUE(ReemplazaArchivo(ruta, "private", Permisos::Privados));
    EXPECT_EQ(Modo(ruta), 0600U);
    EXPECT_EQ(Nombres(carpeta), std::vector<std::string>{"f"});
    EXPECT_FALSE(ReemplazaArchivo(carpeta.En("missing/f"), "x"));
    EXPECT_FALSE(ReemplazaArchivo("", "x"));
    EXPECT_FALSE(ReemplazaArchivo(carpeta.Texto(), "x"));
}

TEST(ReemplazaArchivo, AReadOnlyTargetIsKept) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("report.txt");
    EscribeBytes(ruta, "the user's own");
    ASSERT_EQ(::chmod(ruta.c_str(), 0444), 0);
    EXPECT_FALSE(ReemplazaArchivo(ruta, "new"));
    EXPECT_FALSE(ReemplazaArchivo(ruta, "new", Permisos::Privados));
    EXPECT_EQ(LeeBytes(ruta), "the user's own");
    EXPECT_EQ(Modo(ruta), 0444U);
    EXPECT_EQ(Nombres(carpeta), std::vector<std::string>{"report.txt"});
}

TEST(ReemplazaArchivo, ARefusedCheckKeepsTheTargetAndSeesTheTemporary) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("Ventas.cfp");
    EscribeBytes(ruta, "old");
    std::string visto;
    EXPECT_FALSE(ReemplazaArchivo(
        ruta, "new", Permisos::Privados,
        [&](const std::string& temporal) {
            visto = LeeBytes(temporal);
            EXPECT_EQ(fs::path(temporal).extension(), ".cfp");
            EXPECT_EQ(fs::path(temporal).filename().string().front(), '.');
            return false;
        },
        ".cfp"));
    EXPECT_EQ(visto, "new");
    EXPECT_EQ(LeeBytes(ruta), "old");
    EXPECT_EQ(Nombres(carpeta), std::vector<std::string>{"Ventas.cfp"});
}

TEST(ReemplazaArchivo, TemporariesOfAWriterThatNoLongerRunsAreRemoved) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("Ventas.cfp");
    const std::string muerto = ".Ventas.cfp.~" + std::to_string(PidTerminado()) + "_0.cfp";
    const std::string vivo = ".Ventas.cfp.~" + std::to_string(::getppid()) + "_0";
    EscribeBytes(carpeta.En(muerto), "cut short");
    EscribeBytes(carpeta.En(vivo), "still being written");
    // Another writer's leftover in the same folder, and a hidden file that is no temporary.
    const std::string informe =
        ".Ventas_20261210020000.txt.~" + std::to_string(PidTerminado()) + "_3";
    EscribeBytes(carpeta.En(informe), "a report cut short");
    EscribeBytes(carpeta.En(".notas"), "the user's own");
    ASSERT_TRUE(ReemplazaArchivo(ruta, "whole"));
    EXPECT_EQ(Nombres(carpeta), (std::vector<std::string>{vivo, ".notas", "Ventas.cfp"}));
    EXPECT_TRUE(EsTemporal(muerto));
    EXPECT_TRUE(EsTemporal(vivo));
    EXPECT_FALSE(EsTemporal("Ventas.cfp"));
    EXPECT_FALSE(EsTemporal(".cfp"));
}

TEST(CreaArchivoNuevo, NeverReplacesAFileAndTakesTheNextFreeName) {
    CarpetaTemporal carpeta;
    const std::string base = carpeta.En("Ventas_20261210020000");
    EscribeBytes(base + ".txt", "another run's report");
    ASSERT_EQ(::chmod((base + ".txt").c_str(), 0444), 0);
    EXPECT_EQ(CreaArchivoNuevo(base, ".txt", "mine"), base + "_2.txt");
    EXPECT_EQ(CreaArchivoNuevo(base, ".txt", "third"), base + "_3.txt");
    EXPECT_EQ(LeeBytes(base + ".txt"), "another run's report");
    EXPECT_EQ(LeeBytes(base + "_2.txt"), "mine");
    EXPECT_EQ(LeeBytes(base + "_3.txt"), "third");
    EXPECT_EQ(Nombres(carpeta).size(), 3u) << "no temporary is left";
    EXPECT_EQ(CreaArchivoNuevo(carpeta.En("missing/x"), ".txt", "x"), "");
}

TEST(LeeArchivo, ReadsUpToTheLimit) {
    CarpetaTemporal carpeta;
    EscribeBytes(carpeta.En("f"), std::string("a\0b", 3));
    std::string bytes = "untouched";
    ASSERT_TRUE(LeeArchivo(carpeta.En("f"), bytes, 3));
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    bytes = "untouched";
    EXPECT_FALSE(LeeArchivo(carpeta.En("f"), bytes, 2));
    EXPECT_FALSE(LeeArchivo(carpeta.En("missing"), bytes));
    EXPECT_FALSE(LeeArchivo(carpeta.Texto(), bytes));
    EXPECT_EQ(bytes, "untouched");
}

TEST(LegiblePorOtros, LooksAtTheGroupAndOthersReadBits) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("night.ZEVcos");
    EscribeBytes(ruta, "x");
    for (const auto& [modo, legible] : {std::pair{0600, false}, std::pair{0640, true},
                                        std::pair{0604, true}, std::pair{0200, false}}) {
        ASSERT_EQ(::chmod(ruta.c_str(), static_cast<mode_t>(modo)), 0);
        EXPECT_EQ(LegiblePorOtros(ruta), legible) << std::oct << modo;
    }
    EXPECT_FALSE(LegiblePorOtros(carpeta.En("missing")));
}

}  // namespace
}  // namespace velqor
