// The private FreeTDS settings file of a login against the built program run unattended: a stop
// request (SIGTERM) in the middle of a login that the server never answers leaves nothing behind.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "CarpetaTemporal.h"
#include "InstalacionPrueba.h"
#include "ServidorMudo.h"

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

// Files in folder whose names start with prefijo.
int Cuantos(const fs::path& carpeta, const std::string& prefijo) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(carpeta, ec)) {
        n += e.path().filename().string().rfind(prefijo, 0) == 0 ? 1 : 0;
    }
    return n;
}

TEST(Senales, AStopRequestDuringTheLoginLeavesNoSettingsFile) {
    // A server that takes the connection and never answers.
    const prueba::ServidorMudo mudo;
    ASSERT_NE(mudo.Puerto(), 0);

    InstalacionPrueba inst;
    inst.EscribeDefinicion(mudo.Puerto(), 3);
    EscribeBytes(inst.programa.En("Ventas.cfp"),
                 LeeBytes(inst.programa.En("Ventas.cfp")) + "Encrypt = yes\n");
    CarpetaTemporal temporal;
    const fs::path carpeta = temporal.Ruta() / ("velqor-" + std::to_string(::geteuid()));
    Limites limites;
    limites.entorno = {"TMPDIR=" + temporal.Texto()};
    bool enviada = false;
    limites.durante = [&](pid_t pid) {
        if (!enviada && Cuantos(carpeta, "freetds-" + std::to_string(pid) + "-") == 1) {
            enviada = true;
            ::kill(pid, SIGTERM);
        }
    };
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    ASSERT_TRUE(enviada) << "the settings file never appeared: " << r.error;
    EXPECT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.senal, 0) << "the stop request is the run's to handle";
    EXPECT_EQ(Cuantos(carpeta, "freetds-"), 0);
}

}  // namespace
}  // namespace velqor::prueba
