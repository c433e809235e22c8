// The built program in the situations of a real night: a window left open beside a scheduled run,
// two scheduled runs started together, a scheduler that stops a run, a display that cannot be
// reached, a definition whose name leads out of its folder, files the user made read-only and a
// launch configuration others can read.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "HistorialPrevio.h"
#include "InstalacionPrueba.h"
#include "SqlsimProceso.h"
#include "common/General.h"
#include "common/Momento.h"
#include "common/ZEVmat3.h"
#include "engine/Velqor.h"

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

bool Contiene(const std::string& texto, const std::string& parte) {
    return texto.find(parte) != std::string::npos;
}

// Whether sqlsim has received a batch holding texto.
bool Recibio(const SqlsimProceso& sqlsim, const std::string& texto) {
    const auto lineas = sqlsim.LineasDiario();
    return std::any_of(lineas.begin(), lineas.end(),
                       [&](const std::string& l) { return Contiene(l, texto); });
}

// The measurements the history file at ruta holds, per index key.
std::vector<std::pair<std::string, std::size_t>> Mediciones(const std::string& ruta) {
    std::vector<std::pair<std::string, std::size_t>> r;
    Valor leido;
    if (!TextoAMatriz(LeeBytes(ruta), leido)) return r;
    const Valor& historia = leido.ComoLista().at(0);
    if (!historia.EsMatriz()) return r;
    for (const Valor& fila : historia.ComoLista()) {
        r.emplace_back(fila.ComoLista().at(2).ComoTexto(),
                       fila.ComoLista().at(3).ComoLista().size());
    }
    return r;
}

std::string Todo(const InstalacionPrueba& inst, const std::string& extension) {
    std::string todo;
    for (const auto& ruta : inst.Archivos(extension)) todo += LeeBytes(ruta.string());
    return todo;
}

// Runs the launch configuration of a definition for sqlsim twice at once, as two scheduled runs
// started in the same second.
std::pair<Corrida, Corrida> DosALaVez(const SqlsimProceso& sqlsim, InstalacionPrueba& inst) {
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    auto otra = std::async(std::launch::async, [&] { return inst.Ejecuta(lanzamiento); });
    const Corrida una = inst.Ejecuta(lanzamiento);
    return {una, otra.get()};
}

TEST(Noche, AnEngineLeftOpenBesideAScheduledRunKeepsEveryMeasurement) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    FijaDesatendido(false);
    FijaInicioProceso(RelojSistema::Instancia().Ahora());
    InstalaCuadroMensaje(
        [](const std::string& texto, const std::string&) { ADD_FAILURE() << texto; });

    // The window's engine, bound before the scheduled run, defragments on line.
    auto ventana = std::make_unique<Velqor>();
    bool noEsSQL = false;
    ASSERT_TRUE(ventana->Crear(inst.programa.Texto(), "Ventas", inst.informes.Texto(), noEsSQL));
    bool cancelar = false;
    std::string informe;
    ASSERT_TRUE(ventana->MejorarRendimiento(true, inst.respaldos.Texto(), cancelar, "ana",
                                            "secreto", informe));
    const auto porIndice = [](std::size_t n) {
        return std::vector<std::pair<std::string, std::size_t>>{{"ClientesPK_Clientes", n},
                                                                {"FacturasIX_Facturas_Fecha", n}};
    };
    EXPECT_EQ(Mediciones(inst.ArchivoHistorial()), porIndice(1)) << "written at the pass's end";

    // The scheduled run rebuilds both indexes while the window stays open.
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    ASSERT_EQ(r.codigo, 0) << r.error << Todo(inst, ".log");
    EXPECT_EQ(Mediciones(inst.ArchivoHistorial()), porIndice(2));

    // Closing the window writes what its engine holds, merged: nothing lost, nothing repeated.
    ventana.reset();
    EXPECT_EQ(Mediciones(inst.ArchivoHistorial()), porIndice(2));
    InstalaCuadroMensaje({});
}

TEST(Noche, TwoRunsStartedTogetherKeepTheirOwnReportsAndExitCodes) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 300)"));
    InstalacionPrueba inst;
    const auto [una, dos] = DosALaVez(sqlsim, inst);
    EXPECT_EQ(una.codigo, 0) << una.error << Todo(inst, ".log");
    EXPECT_EQ(dos.codigo, 0) << dos.error << Todo(inst, ".log");
    const auto informes = inst.Archivos(".txt");
    ASSERT_EQ(informes.size(), 2u) << "one report each, neither replaced";
    for (const auto& ruta : informes) {
        EXPECT_TRUE(Contiene(LeeBytes(ruta.string()), "\r\nTime: ")) << ruta;
    }
    EXPECT_TRUE(inst.Archivos(".log").empty());
}

TEST(Noche, ARunThatFailsBesideACleanOneFailsAloneInItsOwnLog) {
    // The first operator check to reach the server fails; the other run's succeeds.
    SqlsimProceso sqlsim(EscenarioVentas(
        "",
        R"({"match": "FROM UsuariosPW WHERE", "occurrence": 1, "error": {"number": 50123, "text": "Injected failure."}})"));
    InstalacionPrueba inst;
    const auto [una, dos] = DosALaVez(sqlsim, inst);
    std::vector<int> codigos{una.codigo, dos.codigo};
    std::sort(codigos.begin(), codigos.end());
    EXPECT_EQ(codigos, (std::vector<int>{0, 1})) << una.error << dos.error;
    const auto logs = inst.Archivos(".log");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(Contiene(LeeBytes(logs[0].string()), "50123"));
    EXPECT_EQ(inst.Archivos(".txt").size(), 1u) << "the refused run writes no report";
}

TEST(Noche, TwoFailingRunsStartedTogetherWriteTwoLogs) {
    SqlsimProceso sqlsim(EscenarioVentas("", "", false));  // no user table: error 208
    InstalacionPrueba inst;
    const auto [una, dos] = DosALaVez(sqlsim, inst);
    EXPECT_EQ(una.codigo, 1);
    EXPECT_EQ(dos.codigo, 1);
    const auto logs = inst.Archivos(".log");
    ASSERT_EQ(logs.size(), 2u);
    for (const auto& ruta : logs) {
        const std::string log = LeeBytes(ruta.string());
        EXPECT_TRUE(Contiene(log, "Native Error 208")) << log;
        EXPECT_EQ(log.find("Native Error 208"), log.rfind("Native Error 208")) << "one entry each";
    }
}

TEST(Noche, SigtermMidPassEndsThePassCancelledAndKeepsEverything) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 1500)"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    Limites limites;
    bool enviada = false;
    limites.durante = [&](pid_t pid) {
        if (!enviada && Recibio(sqlsim, "DBCC DBREINDEX")) {
            enviada = true;
            ::kill(pid, SIGTERM);
        }
    };
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    ASSERT_TRUE(enviada);
    ASSERT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.senal, 0) << "the signal did not kill it";
    EXPECT_EQ(r.codigo, 1);
    const std::string informe = inst.Unico(".txt");
    EXPECT_TRUE(Contiene(informe, "Reindex Clientes.PK_Clientes (")) << "the statement finished";
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    EXPECT_FALSE(Contiene(informe, "Facturas")) << informe;
    EXPECT_FALSE(Recibio(sqlsim, "sp_updatestats"));
    EXPECT_EQ(Mediciones(inst.ArchivoHistorial()),
              (std::vector<std::pair<std::string, std::size_t>>{{"ClientesPK_Clientes", 1}}));
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "asked to stop")) << inst.Unico(".log");
}

TEST(Noche, ASecondSignalCancelsTheRunningStatementAtTheServer) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 60000)"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    Limites limites;
    limites.segundos = 30;
    int enviadas = 0;
    auto primera = std::chrono::steady_clock::now();
    limites.durante = [&](pid_t pid) {
        if (enviadas == 0 && Recibio(sqlsim, "DBCC DBREINDEX")) {
            ++enviadas;
            primera = std::chrono::steady_clock::now();
            ::kill(pid, SIGTERM);
        } else if (enviadas == 1 &&
                   std::chrono::steady_clock::now() - primera > std::chrono::milliseconds(500)) {
            ++enviadas;
            ::kill(pid, SIGINT);
        }
    };
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    ASSERT_TRUE(r.terminoSolo) << "the rebuild was not cut short";
    EXPECT_EQ(enviadas, 2);
    EXPECT_LT(r.segundos, 25);
    EXPECT_EQ(r.codigo, 1);
    const std::string informe = inst.Unico(".txt");
    EXPECT_TRUE(Contiene(informe, "Reindex Clientes.PK_Clientes ")) << informe;
    EXPECT_FALSE(Contiene(informe, "Reindex Clientes.PK_Clientes (")) << "it did not finish";
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    const std::string log = inst.Unico(".log");
    EXPECT_TRUE(Contiene(log, "asked to stop again")) << log;
}

TEST(Noche, OneSignalCancelsAtTheServerWhenTheStatementOutlastsTheGrace) {
    // A service manager's stop sends one SIGTERM only: the program cancels the running statement
    // at the server itself once VELQOR_SERVER_CANCEL_AFTER seconds have passed.
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 60000)"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    Limites limites;
    limites.segundos = 30;
    limites.entorno = {"VELQOR_SERVER_CANCEL_AFTER=1"};
    bool enviada = false;
    limites.durante = [&](pid_t pid) {
        if (!enviada && Recibio(sqlsim, "DBCC DBREINDEX")) {
            enviada = true;
            ::kill(pid, SIGTERM);
        }
    };
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    ASSERT_TRUE(enviada);
    ASSERT_TRUE(r.terminoSolo) << "the rebuild was not cut short";
    EXPECT_EQ(r.senal, 0);
    EXPECT_LT(r.segundos, 20);
    EXPECT_EQ(r.codigo, 1);
    const std::string informe = inst.Unico(".txt");
    EXPECT_FALSE(Contiene(informe, "Reindex Clientes.PK_Clientes (")) << "it did not finish";
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    const std::string log = inst.Unico(".log");
    EXPECT_TRUE(Contiene(log, "still ran 1 seconds after the stop request")) << log;
    EXPECT_NE(r.error.find("velqor: The pass over Ventas failed: "), std::string::npos) << r.error;
}

TEST(Noche, TwoSignalsDuringASlowLoginStillEndWithACancelledReport) {
    SqlsimProceso sqlsim(
        EscenarioVentas("", R"({"on": "login", "match": "sa", "action": "delay", "ms": 4000})"));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    Limites limites;
    int enviadas = 0;
    const auto inicio = std::chrono::steady_clock::now();
    limites.durante = [&](pid_t pid) {
        const auto pasado = std::chrono::steady_clock::now() - inicio;
        if (enviadas < 2 && pasado > std::chrono::milliseconds(1500 + 300 * enviadas)) {
            ++enviadas;
            ::kill(pid, SIGTERM);
        }
    };
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    ASSERT_TRUE(r.terminoSolo);
    EXPECT_EQ(r.senal, 0);
    EXPECT_EQ(r.codigo, 1);
    const std::string informe = inst.Unico(".txt");
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    EXPECT_FALSE(Recibio(sqlsim, "DBCC")) << "no phase ran";
}

TEST(Noche, AnUnreachableDisplayDoesNotStopAScheduledRun) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    Limites limites;
    limites.entorno = {"DISPLAY=127.0.0.1:97"};
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento(), limites);
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_TRUE(Contiene(inst.Unico(".txt"), "\r\nTime: "));

    // A file it cannot use is refused with its reason, not with a display it cannot reach.
    const Corrida falta = inst.Ejecuta(inst.programa.En("falta.ZEVcos"), limites);
    EXPECT_EQ(falta.codigo, 2);
    EXPECT_TRUE(Contiene(falta.error, "falta.ZEVcos does not exist")) << falta.error;
}

TEST(Noche, ANameLeadingOutOfTheProgramFolderIsRefused) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    std::string definicion = LeeBytes(inst.programa.En("Ventas.cfp"));
    definicion.replace(definicion.find("Ventas Central"), 14, "../x");
    EscribeBytes(inst.programa.En("Ventas.cfp"), definicion);
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    EXPECT_EQ(r.codigo, 2);
    EXPECT_TRUE(Contiene(r.error, "Name cannot hold a path separator")) << r.error;
    EXPECT_TRUE(inst.Archivos(".txt").empty());
    for (const auto& e : fs::directory_iterator(inst.programa.Ruta().parent_path())) {
        EXPECT_FALSE(e.path().filename().string().starts_with("x_")) << e.path();
    }
    EXPECT_FALSE(Recibio(sqlsim, "DBCC")) << "nothing ran";
}

TEST(Noche, AReadOnlyReportTargetIsNeverReplaced) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    // Files the user made read-only under every name the report of the next seconds could take.
    const Momento ahora = RelojSistema::Instancia().Ahora();
    std::vector<std::string> ajenos;
    for (int s = -1; s <= 15; ++s) {
        ajenos.push_back(
            inst.programa.En("VentasCentral_" +
                             Formatea(ahora + std::chrono::seconds(s), "yyyymmddhhnnss") + ".txt"));
        EscribeBytes(ajenos.back(), "kept");
        ASSERT_EQ(::chmod(ajenos.back().c_str(), 0444), 0);
    }
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    EXPECT_EQ(r.codigo, 0) << r.error << Todo(inst, ".log");
    std::size_t propios = 0;
    for (const auto& ruta : inst.Archivos(".txt")) {
        const std::string texto = LeeBytes(ruta.string());
        if (texto == "kept") continue;
        ++propios;
        EXPECT_TRUE(ruta.stem().string().ends_with("_2")) << ruta;
        EXPECT_TRUE(Contiene(texto, "\r\nTime: "));
    }
    EXPECT_EQ(propios, 1u);
    for (const auto& ruta : ajenos) EXPECT_EQ(LeeBytes(ruta), "kept") << ruta;
}

TEST(Noche, AReadOnlyHistoryIsKeptAndTheRunSaysItCouldNotWriteIt) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    std::string vacia;
    ASSERT_TRUE(MatrizATexto(Valor::Matriz({Valor()}), vacia));
    const std::string historial = inst.ArchivoHistorial();
    EscribeBytes(historial, vacia + "\r\n");
    ASSERT_EQ(::chmod(historial.c_str(), 0444), 0);
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    EXPECT_EQ(r.codigo, 1);
    EXPECT_EQ(LeeBytes(historial), vacia + "\r\n");
    EXPECT_TRUE(Contiene(inst.Unico(".log"), "The density history could not be written"));
    EXPECT_TRUE(Contiene(inst.Unico(".txt"), "Reindex Clientes.PK_Clientes"));
}

TEST(Noche, ADamagedHistoryIsSetAsideAndTheLogSaysSo) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const HistorialPrevio historial(inst.ArchivoHistorial(), true);
    const Corrida r = inst.Ejecuta(inst.EscribeLanzamiento());
    EXPECT_EQ(r.codigo, 1) << "someone must look at the damaged file";
    EXPECT_EQ(historial.Perdida(), "");
    const std::string log = inst.Unico(".log");
    EXPECT_TRUE(Contiene(log, "is damaged; it was kept as " + inst.ArchivoHistorial() +
                                  ".damaged-"))
        << log;
    EXPECT_EQ(Mediciones(inst.ArchivoHistorial()),
              (std::vector<std::pair<std::string, std::size_t>>{{"ClientesPK_Clientes", 1},
                                                                {"FacturasIX_Facturas_Fecha", 1}}));
}

TEST(Noche, ALaunchConfigurationOthersCanReadIsWarnedAboutInTheLog) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    InstalacionPrueba inst;
    inst.EscribeDefinicion(sqlsim.Puerto());
    const std::string lanzamiento = inst.EscribeLanzamiento();
    ASSERT_EQ(::chmod(lanzamiento.c_str(), 0644), 0);
    const Corrida r = inst.Ejecuta(lanzamiento);
    EXPECT_EQ(r.codigo, 0) << "a warning does not fail the run: " << Todo(inst, ".log");
    const std::string log = inst.Unico(".log");
    EXPECT_TRUE(Contiene(log, "can be read by other users")) << log;
    EXPECT_FALSE(Contiene(log, "Error")) << log;
    EXPECT_TRUE(Contiene(inst.Unico(".txt"), "\r\nTime: "));
}

}  // namespace
}  // namespace velqor::prueba
