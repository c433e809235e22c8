// The built velqor program run unattended against sqlsim from a saved launch configuration, on a
// machine without a display: the report, the log file, the settings left alone, the exit code, the
// silence of a run under a scheduler and the progress line of a run started from a terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "CarpetaTemporal.h"
#include "EscenarioVentas.h"
#include "SqlsimProceso.h"
#include "common/Proceso.h"
#include "common/Valor.h"
#include "components/Codificador.h"
#include "components/Lanzamiento.h"

extern char** environ;

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

struct Resultado {
    int codigo = -1;     // the exit code; -1 when the program did not end by itself in time
    std::string error;   // standard error (empty when it went to a terminal)
    std::string salida;  // standard output
};

// Where a run takes place: as under cron (no XDG_RUNTIME_DIR) or not, standard error a file or
// the given terminal, with further "NAME=value" variables, and the program copied beside the
// definitions or another one.
struct Entorno {
    bool conRuntime = true;
    int terminal = -1;
    std::vector<std::string> variables = {};
    std::string programa = {};
};

class DesatendidoE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        // A portable install: the program and its .cfp files in one folder.
        fs::copy_file(VELQOR_PROGRAMA, programa.Ruta() / "velqor");
        fs::create_directories(configuracion.Ruta() / "Velqor");
        EscribeBytes(ArchivoAjustes(), "[Comun]\nUsuario=bob\nBase=Compras\n");
    }

    std::string ArchivoAjustes() const {
        return (configuracion.Ruta() / "Velqor" / "Velqor.conf").string();
    }

    // Writes a launch configuration for the entry base beside the program.
    std::string EscribeLanzamiento(const std::string& base = "Ventas",
                                   const std::string& clave = "secreto",
                                   const std::string& informes = {},
                                   const std::string& archivo = "noche.ZEVcos") {
        const std::string ruta = programa.En(archivo);
        const Lista valores{Valor::Texto(base),
                            Valor::Texto(informes.empty() ? programa.Texto() : informes),
                            Valor::Texto("ana"),
                            Valor::Texto(clave),
                            Valor::Largo(0),
                            Valor::Logico(false),
                            Valor::Texto(respaldos.Texto())};
        EXPECT_TRUE(Codificador::GuardaArchivo(VersionPrograma::kEmpresa, valores, ruta, true));
        return ruta;
    }

    // Runs the copied program with these arguments, without a display, with its own settings home.
    Resultado Ejecuta(const std::vector<std::string>& argumentos, const Entorno& donde = {}) {
        std::vector<std::string> entorno;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string var = *e;
            for (const char* quita : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "HOME=",
                                      "XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR="}) {
                if (var.rfind(quita, 0) == 0) goto siguiente;
            }
            entorno.push_back(var);
        siguiente:;
        }
        entorno.push_back("HOME=" + configuracion.Texto());
        entorno.push_back("XDG_CONFIG_HOME=" + configuracion.Texto());
        if (donde.conRuntime) entorno.push_back("XDG_RUNTIME_DIR=" + salidas.Texto());
        entorno.insert(entorno.end(), donde.variables.begin(), donde.variables.end());

        std::vector<std::string> args{donde.programa.empty() ? programa.En("velqor")
                                                             : donde.programa};
        args.insert(args.end(), argumentos.begin(), argumentos.end());
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& v : entorno) envp.push_back(v.data());
        envp.push_back(nullptr);

        const std::string salidaError = salidas.En("stderr.txt");
        const std::string salidaNormal = salidas.En("stdout.txt");
        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        if (donde.terminal >= 0) {
            posix_spawn_file_actions_adddup2(&acciones, donde.terminal, 2);
        } else {
            posix_spawn_file_actions_addopen(&acciones, 2, salidaError.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
        posix_spawn_file_actions_addopen(&acciones, 1, salidaNormal.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&acciones, 0, "/dev/null", O_RDONLY, 0);
        pid_t pid = -1;
        const int fallo = posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&acciones);
        Resultado r;
        if (fallo != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return r;
        }
        int estado = 0;
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (waitpid(pid, &estado, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > limite) {
                kill(pid, SIGKILL);
                waitpid(pid, &estado, 0);
                ADD_FAILURE() << "the unattended run did not end by itself";
                return r;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        r.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
        if (donde.terminal < 0) r.error = LeeBytes(salidaError);
        r.salida = LeeBytes(salidaNormal);
        return r;
    }

    // The files beside the program whose names end with extension.
    std::vector<fs::path> Archivos(const std::string& extension) const {
        std::vector<fs::path> r;
        for (const auto& e : fs::directory_iterator(programa.Ruta())) {
            if (e.path().extension() == extension) r.push_back(e.path());
        }
        return r;
    }

    // The variables that make the dynamic loader name every object it loads, in files of cargas.
    std::vector<std::string> RegistroCargador() const {
        return {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + (cargas.Ruta() / "cargador").string()};
    }
    // What the loader's files say, all together.
    std::string Cargados() const {
        std::string todo;
        for (const auto& e : fs::directory_iterator(cargas.Ruta())) {
            todo += LeeBytes(e.path().string());
        }
        return todo;
    }

    CarpetaTemporal programa, configuracion, salidas;
    CarpetaTemporal respaldos;  // the backup folder, as sqlsim (the server) sees it
    CarpetaTemporal cargas;     // the dynamic loader's account of a run
};

TEST_F(DesatendidoE2e, ASuccessfulRunWritesItsReportAndNothingElse) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 20)"));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    const std::string ajustesAntes = LeeBytes(ArchivoAjustes());

    const Resultado r = Ejecuta({EscribeLanzamiento()});
    const auto informes = Archivos(".txt");
    ASSERT_EQ(informes.size(), 1u) << r.error;
    const std::string informe = LeeBytes(informes[0].string());
    EXPECT_EQ(r.codigo, 0) << r.error << informe;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(informes[0].filename().string().rfind("VentasCentral_", 0), 0u);
    EXPECT_NE(informe.find("Reindex Clientes.PK_Clientes"), std::string::npos) << informe;
    EXPECT_NE(informe.find("\r\nTime: "), std::string::npos) << informe;
    EXPECT_TRUE(Archivos(".log").empty()) << "no error, no log file";
    EXPECT_EQ(LeeBytes(ArchivoAjustes()), ajustesAntes) << "the remembered settings are untouched";
    EXPECT_FALSE(fs::is_empty(respaldos.Ruta())) << "the server wrote its backups";
}

// Two launch configurations in one run: the first is refused (a wrong password), the second still
// runs and writes its report; the run exits with the worse status. The same file named twice is
// no list of configurations (AnUnusableConfigurationExitsWith2AndSaysWhy).
TEST_F(DesatendidoE2e, SeveralConfigurationsRunInTurnAndTheWorstStatusIsTheRuns) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    const std::string mala = EscribeLanzamiento("Ventas", "otra", {}, "mala.ZEVcos");
    const std::string buena = EscribeLanzamiento("Ventas", "secreto", {}, "buena.ZEVcos");

    const Resultado r = Ejecuta({mala, buena});
    EXPECT_EQ(r.codigo, 1) << r.error;
    const auto informes = Archivos(".txt");
    ASSERT_EQ(informes.size(), 1u) << r.error;
    const std::string informe = LeeBytes(informes[0].string());
    EXPECT_NE(informe.find("Reindex Clientes.PK_Clientes"), std::string::npos) << informe;
    EXPECT_NE(informe.find("\r\nTime: "), std::string::npos) << informe;
    EXPECT_EQ(Archivos(".log").size(), 1u) << "the refused configuration is logged";
}

TEST_F(DesatendidoE2e, UnderASchedulerASuccessfulRunPrintsNothingAtAll) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 600)"));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());

    // As under cron: no XDG_RUNTIME_DIR, standard output and error are files.
    const Resultado r = Ejecuta({EscribeLanzamiento()}, {.conRuntime = false});
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.error, "") << "a scheduler mails whatever a run prints";
    EXPECT_EQ(r.salida, "");
    EXPECT_EQ(Archivos(".txt").size(), 1u);
    EXPECT_TRUE(Archivos(".log").empty());
}

TEST_F(DesatendidoE2e, FromATerminalTheRunDrawsItsProgressOnOneLineAndClearsIt) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 1100)"));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    int maestro = -1;
    int esclavo = -1;
    ASSERT_EQ(openpty(&maestro, &esclavo, nullptr, nullptr, nullptr), 0);
    // What the run draws is read as it comes, so the terminal never fills up.
    std::string pantalla;
    std::thread lector([&] {
        char bloque[512];
        for (ssize_t n; (n = read(maestro, bloque, sizeof bloque)) > 0;) pantalla.append(bloque, n);
    });

    const Resultado r = Ejecuta({EscribeLanzamiento()}, {.terminal = esclavo});
    close(esclavo);
    lector.join();
    close(maestro);

    EXPECT_EQ(r.codigo, 0) << pantalla;
    EXPECT_EQ(r.salida, "");
    EXPECT_NE(pantalla.find("\rvelqor: survey, 0:0"), std::string::npos) << pantalla;
    EXPECT_NE(pantalla.find("\rvelqor: indexes 1 / "), std::string::npos) << pantalla;
    EXPECT_NE(pantalla.find(" elapsed, about "), std::string::npos) << "an estimate once an "
                                                                       "index is done: "
                                                                    << pantalla;
    EXPECT_NE(pantalla.find("\rvelqor: database backup, "), std::string::npos) << pantalla;
    EXPECT_TRUE(pantalla.ends_with("\r\x1b[K")) << "the line is cleared at the end: " << pantalla;
    EXPECT_EQ(pantalla.find('\n'), std::string::npos) << "one line, rewritten in place";
}

TEST_F(DesatendidoE2e, ServerErrorsGoToTheLogFileAndFailTheRun) {
    // Without its user table the operator check fails with the server's own error.
    SqlsimProceso sqlsim(EscenarioVentas("", "", false));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    const Resultado r = Ejecuta({EscribeLanzamiento()});
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_TRUE(Archivos(".txt").empty()) << "a refused operator gets no report";
    const auto logs = Archivos(".log");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].filename().string().rfind("velqor_", 0), 0u);
    const std::string log = LeeBytes(logs[0].string());
    EXPECT_NE(log.find("Native Error 208"), std::string::npos) << log;
}

TEST_F(DesatendidoE2e, AWrongPasswordFailsTheRunWithoutAReport) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    const Resultado r = Ejecuta({EscribeLanzamiento("Ventas", "otra")});
    EXPECT_EQ(r.codigo, 1) << r.error;
    EXPECT_TRUE(Archivos(".txt").empty());
}

TEST_F(DesatendidoE2e, AFailedBackupCancelsThePassAndFailsTheRun) {
    SqlsimProceso sqlsim(EscenarioVentas(
        "",
        R"({"match": "BACKUP LOG", "error": {"number": 3201, "text": "Cannot open backup device 'C:\\Backups'."}})"));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    const Resultado r = Ejecuta({EscribeLanzamiento()});
    EXPECT_EQ(r.codigo, 1) << r.error;
    const auto informes = Archivos(".txt");
    ASSERT_EQ(informes.size(), 1u);
    EXPECT_NE(LeeBytes(informes[0].string()).find("\r\nCancelled\r\n"), std::string::npos);
}

// What a failed run printed and logged, shown in the test's output for whoever reads it.
void Muestra(const std::string& caso, const std::string& error, const std::string& log) {
    std::cout << "---- " << caso << ": standard error ----\n"
              << error << "---- " << caso << ": log ----\n"
              << log << "-------------------------------------\n";
}

// The one line a failed run prints: "velqor: ...; see LOG".
void EsUnaLineaQueSenalaElLog(const std::string& error, const fs::path& log) {
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_TRUE(error.starts_with("velqor: ")) << error;
    EXPECT_TRUE(error.ends_with("; see " + log.string() + "\n")) << error;
}

TEST_F(DesatendidoE2e, AMisspeltDatabaseLogsEveryRecordOfTheServerAndSaysSoOnOneLine) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    std::string definicion = LeeBytes(programa.En("Ventas.cfp"));
    definicion.replace(definicion.find("Database = Ventas"), 17, "Database = Ventass");
    EscribeBytes(programa.En("Ventas.cfp"), definicion);

    const Resultado r = Ejecuta({EscribeLanzamiento()});
    EXPECT_EQ(r.codigo, 1) << r.error;
    const auto logs = Archivos(".log");
    ASSERT_EQ(logs.size(), 1u) << r.error;
    const std::string log = LeeBytes(logs[0].string());
    Muestra("a misspelt database", r.error, log);
    // Both of the server's records, in the order the driver hands them over (FreeTDS puts the
    // graver one first), as check shows them.
    EXPECT_NE(log.find("Native Error 18456: [FreeTDS][SQL Server]Login failed for user 'sa'.\r\n"
                       "Native Error 4060: [FreeTDS][SQL Server]Cannot open database \"Ventass\" "
                       "requested by the login. The login failed.\r\n"),
              std::string::npos)
        << log;
    EsUnaLineaQueSenalaElLog(r.error, logs[0]);
    EXPECT_NE(r.error.find("Cannot open database \"Ventass\""), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("Login failed for user 'sa'."), std::string::npos) << r.error;
    EXPECT_TRUE(Archivos(".ZEVeri").empty()) << "a refused login leaves no empty history";
    EXPECT_TRUE(Archivos(".txt").empty());
}

TEST_F(DesatendidoE2e, ADownServerIsNamedWithItsPort) {
    // Nothing listens on port 1.
    EscribeDefinicionVentas(programa, 1, 2);
    const Resultado r = Ejecuta({EscribeLanzamiento()});
    EXPECT_EQ(r.codigo, 1) << r.error;
    const auto logs = Archivos(".log");
    ASSERT_EQ(logs.size(), 1u) << r.error;
    const std::string log = LeeBytes(logs[0].string());
    Muestra("a down server", r.error, log);
    EXPECT_NE(log.find("(server 127.0.0.1, port 1)"), std::string::npos) << log;
    EsUnaLineaQueSenalaElLog(r.error, logs[0]);
    EXPECT_NE(r.error.find("(server 127.0.0.1, port 1)"), std::string::npos) << r.error;
    EXPECT_TRUE(Archivos(".ZEVeri").empty());
}

TEST_F(DesatendidoE2e, AMissingReportFolderIsMadeAndOneThatCannotBeGivesTheSystemsReason) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());

    const std::string nueva = (respaldos.Ruta() / "informes" / "nuevos").string();
    const Resultado hecha = Ejecuta({EscribeLanzamiento("Ventas", "secreto", nueva)});
    EXPECT_EQ(hecha.codigo, 0) << hecha.error;
    EXPECT_EQ(hecha.error, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(nueva), fs::directory_iterator()), 1)
        << "the month's history is in the folder the pass made";
    for (const auto& informe : Archivos(".txt")) fs::remove(informe);

    // A folder below a regular file can be made by nobody, root included.
    EscribeBytes(respaldos.En("archivo"), "not a folder");
    const std::string imposible = respaldos.En("archivo") + "/informes";
    const Resultado r = Ejecuta({EscribeLanzamiento("Ventas", "secreto", imposible)});
    EXPECT_EQ(r.codigo, 1) << r.error;
    const auto logs = Archivos(".log");
    ASSERT_EQ(logs.size(), 1u) << r.error;
    const std::string log = LeeBytes(logs[0].string());
    Muestra("a missing report folder that cannot be made", r.error, log);
    EXPECT_NE(log.find("The density history could not be written to " + imposible + "/Ventas_"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("could not be written"), log.rfind("could not be written"))
        << "said once: " << log;
    EXPECT_NE(log.find(".ZEVeri: Not a directory"), std::string::npos) << log;
    EsUnaLineaQueSenalaElLog(r.error, logs[0]);
    EXPECT_NE(r.error.find("Not a directory"), std::string::npos) << r.error;
}

TEST_F(DesatendidoE2e, ARelativeLaunchPathThatDoesNotExistNamesTheWorkingDirectory) {
    const Resultado r = Ejecuta({"falta.ZEVcos"});
    EXPECT_EQ(r.codigo, 2);
    EXPECT_NE(
        r.error.find("falta.ZEVcos (in the working directory " + fs::current_path().string() + ")"),
        std::string::npos)
        << r.error;
}

TEST_F(DesatendidoE2e, TheDemosDocumentedPasswordsWorkWithTheShippedScenario) {
    // The README's demo: the SQL Server login velqor / Demo.2026 and the application user Admin
    // with the password demo, against tools/sqlsim/scenarios/demo.json as shipped.
    SqlsimProceso sqlsim(VELQOR_ESCENARIO_DEMO);
    EscribeBytes(
        programa.En("Demo.cfp"),
        "[Connection]\nName = Demo\nKind = 2\nServer = 127.0.0.1," +
            std::to_string(sqlsim.Puerto()) + "\nDatabase = Ventas\nUser = velqor\n" +
            "Password = " + Codificador::CifraClave(VersionPrograma::kEmpresa, "Demo.2026") + "\n");
    Lanzamiento lanzamiento;
    lanzamiento.entrada = "Demo";
    lanzamiento.carpetaInforme = programa.Texto();
    lanzamiento.usuario = "Admin";
    lanzamiento.clave = "demo";
    lanzamiento.enLinea = true;
    lanzamiento.carpetaBackup = respaldos.Texto();
    ASSERT_TRUE(lanzamiento.Guarda(programa.En("demo.ZEVcos")));
    const Resultado r = Ejecuta({programa.En("demo.ZEVcos")});
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Archivos(".txt").size(), 1u);
}

TEST_F(DesatendidoE2e, AnUnusableConfigurationExitsWith2AndSaysWhy) {
    EscribeDefinicionVentas(programa, 1);
    EscribeBytes(programa.En("roto.ZEVcos"), "damaged");
    const std::string ajena = EscribeLanzamiento("Compras");
    struct Caso {
        std::vector<std::string> argumentos;
        std::string motivo;
    };
    const Caso casos[] = {
        {{programa.En("falta.ZEVcos")}, "falta.ZEVcos"},
        {{programa.En("roto.ZEVcos")}, "roto.ZEVcos"},
        {{ajena}, "Compras"},
        {{programa.En("noche.ZEVcos"), programa.En("noche.ZEVcos")}, "noche.ZEVcos"},
    };
    for (const auto& c : casos) {
        const Resultado r = Ejecuta(c.argumentos);
        EXPECT_EQ(r.codigo, 2) << c.motivo;
        EXPECT_NE(r.error.find(c.motivo), std::string::npos) << r.error;
    }
    EXPECT_TRUE(Archivos(".txt").empty());
    EXPECT_TRUE(Archivos(".log").empty());
}

TEST_F(DesatendidoE2e, AnUnattendedRunLoadsNoWindowToolkitWhateverTheDisplay) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    EscribeDefinicionVentas(programa, sqlsim.Puerto());
    std::vector<std::string> variables = RegistroCargador();
    variables.insert(variables.end(), {"DISPLAY=127.0.0.1:97", "QT_QPA_PLATFORM=xcb"});

    const Resultado r = Ejecuta({EscribeLanzamiento()}, {.variables = variables});
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(Archivos(".txt").size(), 1u);
    const std::string cargados = Cargados();
    EXPECT_NE(cargados.find("libtdsodbc"), std::string::npos) << "the loader told its loads";
    EXPECT_EQ(cargados.find("libQt6"), std::string::npos) << cargados;
    EXPECT_EQ(cargados.find("velqor-ventana"), std::string::npos) << cargados;
}

TEST_F(DesatendidoE2e, AStartThatMayShowTheWindowLoadsTheWindowModule) {
    // The program as built, with its window module, on a platform where nobody sees the window.
    std::vector<std::string> variables = RegistroCargador();
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    const Resultado r = Ejecuta({}, {.variables = variables, .programa = VELQOR_PROGRAMA});
    EXPECT_EQ(r.codigo, 2);
    EXPECT_NE(r.error.find("no display"), std::string::npos) << r.error;
    EXPECT_NE(Cargados().find("libQt6Widgets"), std::string::npos) << "the window part ran";

    // A copy of the program alone cannot show a window, and says why.
    const Resultado sola = Ejecuta({}, {.variables = {"QT_QPA_PLATFORM=offscreen"}});
    EXPECT_EQ(sola.codigo, 2);
    EXPECT_NE(sola.error.find("the window cannot be opened"), std::string::npos) << sola.error;
}

TEST_F(DesatendidoE2e, WithoutADisplayOrAConfigurationThereIsNothingToDo) {
    const Resultado r = Ejecuta({});
    EXPECT_EQ(r.codigo, 2);
    EXPECT_NE(r.error.find("no display"), std::string::npos) << r.error;
}

}  // namespace
}  // namespace velqor::prueba
