// The density history when runs go wrong, with the built programs against sqlsim: tables whose
// names run together or hold a dot, two runs at once, a run killed mid-pass, a report folder whose
// lock another process holds or that takes no lock. velqor-config history reads what is kept.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "InstalacionPrueba.h"
#include "SqlsimProceso.h"
#include "common/General.h"
#include "engine/MesHistorial.h"
#include "engine/TextoHistorial.h"

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

bool Contiene(const std::string& texto, const std::string& parte) {
    return texto.find(parte) != std::string::npos;
}

// How many batches sqlsim has received that hold texto.
std::size_t Recibidos(const SqlsimProceso& sqlsim, const std::string& texto) {
    const auto lineas = sqlsim.LineasDiario();
    return static_cast<std::size_t>(std::count_if(
        lineas.begin(), lineas.end(), [&](const std::string& l) { return Contiene(l, texto); }));
}

// velqor-config history ruta, as a user runs it: its exit code and standard output.
std::pair<int, std::string> Historia(const std::string& ruta) {
    std::string salida;
    FILE* tubo =
        ::popen((std::string(VELQOR_CONFIG) + " history '" + ruta + "' 2>&1").c_str(), "r");
    if (tubo == nullptr) return {-1, salida};
    char bloque[4096];
    for (std::size_t n; (n = std::fread(bloque, 1, sizeof bloque, tubo)) > 0;)
        salida.append(bloque, n);
    const int estado = ::pclose(tubo);
    return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, salida};
}

// The measurements the month holds per row (file and journals), as "table|index" -> count.
std::vector<std::pair<std::string, std::size_t>> PorFila(const std::string& ruta) {
    HistorialDensidad h;
    bool hallado = false;
    std::string error;
    EXPECT_TRUE(MesHistorial::Carga(ruta, h, hallado, error)) << error;
    std::vector<std::pair<std::string, std::size_t>> r;
    for (const FilaHistorial& f : h.Filas())
        r.emplace_back(f.tabla + "|" + f.indice, f.mediciones.size());
    return r;
}

std::size_t Total(const std::string& ruta) {
    std::size_t n = 0;
    for (const auto& [fila, cuantas] : PorFila(ruta)) n += cuantas;
    return n;
}

// The scenario's "tables" body: n tables "T<i>" in dbo with one index "IX" each, all to rebuild.
std::string Tablas(int n) {
    std::string tablas;
    for (int i = 0; i < n; ++i) {
        tablas += std::string(i ? "," : "") + R"({"name": "T)" + std::to_string(i) +
                  R"(", "indexes": [{"name": "IX", "id": 1, "density": 40, "pages": 50}]})";
    }
    return tablas;
}

TEST(HistorialE2e, IndexesWhoseNamesRunTogetherOrHoldADotKeepRowsOfTheirOwn) {
    SqlsimProceso sqlsim(EscenarioVentas("", "", true, R"(
      {"name": "Orders", "indexes": [{"name": "IX_Date", "id": 2, "density": 40, "pages": 50}]},
      {"name": "Order", "indexes": [{"name": "sIX_Date", "id": 2, "density": 41, "pages": 50}]},
      {"name": "Sales.Orders", "indexes": [{"name": "PK_SO", "id": 1, "density": 42, "pages": 50}]},
      {"name": "Orders", "schema": "Sales", "indexes": [{"name": "PK_SO", "id": 1, "density": 43, "pages": 50}]}
    )"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    ASSERT_EQ(r.codigo, 0) << r.error << inst.Unico(".log");
    EXPECT_TRUE(Contiene(inst.Unico(".txt"), "Reindex [Sales.Orders].PK_SO")) << inst.Unico(".txt");
    EXPECT_TRUE(Contiene(inst.Unico(".txt"), "Reindex Sales.Orders.PK_SO")) << inst.Unico(".txt");

    const auto [codigo, salida] = Historia(inst.ArchivoHistorial());
    ASSERT_EQ(codigo, 0) << salida;
    for (const char* fila :
         {"Table Orders, index IX_Date\n", "Table Order, index sIX_Date\n",
          "Table [Sales.Orders], index PK_SO\n", "Table Sales.Orders, index PK_SO\n"}) {
        EXPECT_TRUE(Contiene(salida, fila)) << fila << salida;
    }
    EXPECT_EQ(PorFila(inst.ArchivoHistorial()),
              (std::vector<std::pair<std::string, std::size_t>>{{"Order|sIX_Date", 1},
                                                                {"Orders|IX_Date", 1},
                                                                {"Sales.Orders|PK_SO", 1},
                                                                {"[Sales.Orders]|PK_SO", 1}}));
}

TEST(HistorialE2e, TwoRunsAtOnceKeepEveryTreatmentOnce) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 300)"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    auto otra = std::async(std::launch::async, [&] { return inst.Ejecuta(lanzamiento); });
    const Corrida una = inst.Ejecuta(lanzamiento);
    ASSERT_EQ(una.codigo, 0) << una.error;
    ASSERT_EQ(otra.get().codigo, 0);
    // Both runs surveyed before either rebuilt, so each treated what it found under the
    // threshold, mostly both indexes in the same second: every treatment is one measurement, all
    // in the file.
    const std::size_t tratados = Recibidos(sqlsim, "DBCC DBREINDEX");
    EXPECT_GE(tratados, 3u);
    EXPECT_EQ(Total(inst.ArchivoHistorial()), tratados);
    HistorialDensidad enArchivo;
    std::string error;
    ASSERT_TRUE(TextoHistorial::Lee(LeeTexto(inst.ArchivoHistorial()), enArchivo, error)) << error;
    EXPECT_EQ(enArchivo.Filas().size(), 2u);
    EXPECT_TRUE(MesHistorial::Diarios(inst.ArchivoHistorial()).empty());
}

TEST(HistorialE2e, ARunKilledMidPassLosesAtMostTheIndexItWasTreating) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 150)", "", true, Tablas(12)));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    std::size_t enviadosAlMatar = 0;
    Limites limites;
    limites.durante = [&](pid_t pid) {
        if (enviadosAlMatar == 0 && Recibidos(sqlsim, "DBCC DBREINDEX") >= 6) {
            enviadosAlMatar = Recibidos(sqlsim, "DBCC DBREINDEX");
            ::kill(pid, SIGKILL);
        }
    };
    const Corrida r = inst.Ejecuta(lanzamiento, limites);
    ASSERT_EQ(r.senal, SIGKILL);
    const std::string archivo = inst.ArchivoHistorial();
    EXPECT_FALSE(fs::exists(archivo)) << "the pass never reached its save";
    ASSERT_EQ(MesHistorial::Diarios(archivo).size(), 1u);
    // Each rebuild the server finished is recorded; the one running when the kill came may not be.
    const std::size_t recibidos = Recibidos(sqlsim, "DBCC DBREINDEX");
    EXPECT_GE(Total(archivo) + 1, recibidos);
    EXPECT_LE(Total(archivo), recibidos);
    const std::size_t anotadas = Total(archivo);

    // velqor-config reads the journal of a month whose file was never written.
    const auto [codigo, salida] = Historia(archivo);
    EXPECT_EQ(codigo, 0) << salida;
    EXPECT_TRUE(Contiene(salida, "Table T0, index IX\n")) << salida;

    // The next run merges the killed run's journal into the file: nothing lost, nothing repeated.
    // (It rebuilds the indexes the killed run did not reach.)
    const Corrida siguiente = inst.Ejecuta(lanzamiento);
    ASSERT_EQ(siguiente.codigo, 0) << siguiente.error << inst.Unico(".log");
    EXPECT_TRUE(MesHistorial::Diarios(archivo).empty());
    EXPECT_EQ(Total(archivo), anotadas + Recibidos(sqlsim, "DBCC DBREINDEX") - recibidos);
    EXPECT_GE(Total(archivo), 11u);
}

TEST(HistorialE2e, AFolderLockHeldByAnotherKeepsTheMeasurementsInTheJournalAndSaysSo) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    const std::string archivo = inst.ArchivoHistorial();
    // Any user who can open the folder can hold its lock, as `flock` does.
    const int cerrojo = ::open(inst.informes.Texto().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(cerrojo, LOCK_EX), 0);

    const Corrida esperando = inst.Ejecuta(lanzamiento);
    EXPECT_EQ(esperando.codigo, 0) << esperando.error << inst.Unico(".log");
    EXPECT_LT(esperando.segundos, 15) << "it waited a few seconds, not forever";
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "another process held the lock on the report folder"))
        << inst.Unico(".log");
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "stay in the journal")) << inst.Unico(".log");
    EXPECT_FALSE(fs::exists(archivo));
    EXPECT_EQ(Total(archivo), 2u);

    // A stop request ends the wait at once. (A server of its own: the first one's indexes are
    // dense now.)
    SqlsimProceso otro(EscenarioVentas(""));
    inst.EscribeDefinicion(otro.Puerto());
    Limites limites;
    bool enviada = false;
    std::chrono::steady_clock::time_point respaldo{};
    limites.durante = [&](pid_t pid) {
        if (enviada) return;
        const auto ahora = std::chrono::steady_clock::now();
        if (respaldo == std::chrono::steady_clock::time_point{}) {
            if (Recibidos(otro, "BACKUP DATABASE") > 0) respaldo = ahora;
        } else if (ahora - respaldo > std::chrono::milliseconds(500)) {
            enviada = true;  // by now it waits for the lock
            ::kill(pid, SIGTERM);
        }
    };
    for (const auto& log : inst.Archivos(".log")) fs::remove(log);
    const Corrida parada = inst.Ejecuta(lanzamiento, limites);
    ASSERT_TRUE(enviada);
    EXPECT_TRUE(parada.terminoSolo);
    EXPECT_LT(parada.segundos, esperando.segundos - 2);
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "stay in the journal")) << inst.Unico(".log");

    // Once the lock is free the next run, which finds nothing to treat, merges both runs'
    // journals into the file.
    ::close(cerrojo);
    const std::size_t antes = Total(archivo);
    EXPECT_EQ(antes, 4u);
    const Corrida libre = inst.Ejecuta(lanzamiento);
    EXPECT_EQ(libre.codigo, 0) << libre.error;
    EXPECT_TRUE(MesHistorial::Diarios(archivo).empty());
    EXPECT_TRUE(fs::exists(archivo));
    HistorialDensidad enArchivo;
    std::string error;
    ASSERT_TRUE(TextoHistorial::Lee(LeeTexto(archivo), enArchivo, error)) << error;
    EXPECT_EQ(enArchivo.Filas().size(), 2u);
    EXPECT_EQ(Total(archivo), antes);
}

TEST(HistorialE2e, AFolderThatTakesNoLockKeepsTheMeasurementsInTheJournalAndSaysSo) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    // A folder the run may write in but not open: no lock can be taken on it. (Run as nobody
    // when the test runs as root, the folder then being nobody's.)
    Limites limites;
    limites.sinPrivilegios = true;
    const Corrida r = [&] {
        fs::permissions(inst.informes.Ruta(), fs::perms::owner_write | fs::perms::owner_exec);
        Corrida c = inst.Ejecuta(lanzamiento, limites);
        fs::permissions(inst.informes.Ruta(), fs::perms::owner_all | fs::perms::others_all);
        return c;
    }();
    ASSERT_NE(r.codigo, kNoPudoCederPrivilegios);
    EXPECT_EQ(r.codigo, 0) << r.error << inst.Unico(".log");
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "no lock can be taken on the report folder"))
        << inst.Unico(".log");
    EXPECT_FALSE(fs::exists(inst.ArchivoHistorial()));
    const auto [codigo, salida] = Historia(inst.ArchivoHistorial());
    EXPECT_EQ(codigo, 0) << salida;
    EXPECT_TRUE(Contiene(salida, "Table Clientes, index PK_Clientes\n")) << salida;
    EXPECT_EQ(Total(inst.ArchivoHistorial()), 2u);
}

}  // namespace
}  // namespace velqor::prueba
