// Secrets end to end, through velqor-config over real ODBC against sqlsim: values FreeTDS's
// settings cannot hold are refused where a definition is written and read, "check" says what
// FreeTDS will check and meets an untrusted certificate, the settings file does not outlive a
// Ctrl-C, and the installation's key: a definition copied to another installation, a file under the
// shared key read with its warning and rewritten.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "AutoridadPrueba.h"
#include "ConfigE2e.h"
#include "LlavesPrueba.h"
#include "ServidorMudo.h"

extern char** environ;

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class SecretosE2eTest : public ConfigE2e {
  protected:
    ResultadoCli Comprueba() {
        return EjecutaCli({"check", "Ventas", "--program-folder", programa.Texto()});
    }
    ResultadoCli MuestraLanzamiento(const std::string& ruta) {
        return EjecutaCli({"show-launch", ruta});
    }
    // sqlsim offering encryption with a certificate for 127.0.0.1 issued by `autoridad`.
    void ConCertificado(const AutoridadPrueba& autoridad) {
        autoridad.EmiteServidor({"127.0.0.1"}, programa.En("s.pem"), programa.En("s.key"));
        escenario["encryption"] = "on";
        escenario["certificate"] = programa.En("s.pem");
        escenario["privateKey"] = programa.En("s.key");
    }
    // Replaces the definition's CAFile line by hand, as an editor would; an empty value leaves
    // it out (the system's trusted certificates).
    void ConArchivoCA(const std::string& valor) {
        std::string texto = LeeBytes(programa.En("Ventas.cfp"));
        const auto donde = texto.find("CAFile = ");
        if (donde != std::string::npos) texto.erase(donde, texto.find('\n', donde) + 1 - donde);
        if (!valor.empty()) texto += "CAFile = " + valor + "\n";
        EscribeBytes(programa.En("Ventas.cfp"), texto);
    }
};

TEST_F(SecretosE2eTest, ValuesFreeTdsSettingsCannotHoldAreRefusedWhereADefinitionIsWrittenAndRead) {
    AutoridadPrueba autoridad;
    const std::string ca = programa.En("autoridad.pem");
    autoridad.EscribeCertificado(ca);
    ConCertificado(autoridad);
    Arranca({"--encrypt", "--ca-file", ca});
    const std::string puerto = std::to_string(sim->Puerto());
    const struct {
        std::vector<std::string> opciones;
        std::string caFile;  // the same value written by hand into the definition
        const char* motivo;
    } casos[] = {
        {{"--ca-file", "#" + ca}, "#" + ca, "begin a comment"},
        {{"--ca-file", ";" + ca}, ";" + ca, "begin a comment"},
        {{"--ca-file", "/tmp/x#" + ca}, "/tmp/x#" + ca, "begin a comment"},
        {{"--ca-file", "/" + std::string(250, 'c') + ".pem"},
         "/" + std::string(250, 'c') + ".pem",
         "longer than the 243 bytes"},
        {{"--ca-file", "system"}, "system", "CAFile cannot be \"system\""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caFile.substr(0, 40));
        // write-cfp: nothing is written.
        std::vector<std::string> argumentos{"write-cfp",        programa.En("Otra.cfp"),
                                            "--name",           "Otra",
                                            "--server",         "127.0.0.1," + puerto,
                                            "--database",       "Ventas",
                                            "--user",           "maint",
                                            "--password-stdin", "--encrypt"};
        argumentos.insert(argumentos.end(), c.opciones.begin(), c.opciones.end());
        const ResultadoCli escrita = EjecutaCli(argumentos, "Clave.2024\n");
        EXPECT_EQ(escrita.codigo, 1);
        EXPECT_THAT(escrita.error, HasSubstr(c.motivo));
        EXPECT_FALSE(fs::exists(programa.En("Otra.cfp")));
        // A definition edited by hand: the engine refuses to load it, with the reason, and never
        // connects with the check silently dropped.
        ConArchivoCA(c.caFile);
        const ResultadoCli r = Comprueba();
        EXPECT_EQ(r.codigo, 1);
        EXPECT_THAT(r.error, HasSubstr(c.motivo));
        EXPECT_EQ(r.salida, "");
    }
    // A Server padded past FreeTDS's line, ending in a section of its own.
    const ResultadoCli relleno =
        EjecutaCli({"write-cfp", programa.En("Otra.cfp"), "--name", "Otra", "--server",
                    "127.0.0.1" + std::string(260, 'x') + "[velqor]," + puerto, "--database",
                    "Ventas", "--user", "maint", "--password-stdin", "--encrypt", "--ca-file", ca},
                   "Clave.2024\n");
    EXPECT_EQ(relleno.codigo, 1);
    EXPECT_THAT(relleno.error, HasSubstr("Server cannot be handed to FreeTDS"));
    EXPECT_FALSE(fs::exists(programa.En("Otra.cfp")));
}

TEST_F(SecretosE2eTest, CheckSaysWhatFreeTdsChecksAndMeetsAnUntrustedCertificate) {
    AutoridadPrueba autoridad, otraAutoridad;
    const std::string ca = programa.En("autoridad.pem");
    const std::string otra = programa.En("otra.pem");
    autoridad.EscribeCertificado(ca);
    otraAutoridad.EscribeCertificado(otra);
    ConCertificado(autoridad);
    Arranca({"--encrypt", "--ca-file", ca});
    const ResultadoCli bien = Comprueba();
    ASSERT_EQ(bien.codigo, 0) << bien.error;
    EXPECT_THAT(bien.salida, HasSubstr("Certificate:      FreeTDS checks that it chains to " + ca +
                                       " and names 127.0.0.1\n"));

    // The server's certificate does not chain to the CAFile, or to the system's trusted ones:
    // refused, never connected.
    for (const std::string& archivo : {otra, std::string()}) {
        ConArchivoCA(archivo);
        const ResultadoCli ajena = Comprueba();
        EXPECT_EQ(ajena.codigo, 1);
        EXPECT_EQ(ajena.salida, "");
        EXPECT_THAT(ajena.error, HasSubstr("The server's certificate is not trusted"));
    }
    // A CAFile that is not there, or not a certificate, is named before connecting.
    EscribeBytes(programa.En("vacio.pem"), "nothing here\n");
    for (const auto& [archivo, motivo] : {std::pair{programa.En("falta.pem"), "does not exist"},
                                          {programa.En("vacio.pem"), "holds no PEM certificate"}}) {
        ConArchivoCA(archivo);
        const ResultadoCli r = Comprueba();
        EXPECT_EQ(r.codigo, 1);
        EXPECT_THAT(r.error, HasSubstr("The CAFile " + archivo + " " + motivo));
    }
    // A hostile CAFile that FreeTDS would read as empty, accepting any certificate.
    ConArchivoCA("#" + otra);
    const ResultadoCli hostil = Comprueba();
    EXPECT_EQ(hostil.codigo, 1);
    EXPECT_THAT(hostil.error, HasSubstr("CAFile cannot be handed to FreeTDS"));
    EXPECT_THAT(hostil.salida, Not(HasSubstr("encrypted")));
}

TEST_F(SecretosE2eTest, ACtrlCDuringTheLoginLeavesNoSettingsFile) {
    // A server that takes the connection and never answers: the login waits with the file written.
    const prueba::ServidorMudo mudo;
    ASSERT_NE(mudo.Puerto(), 0);
    const ResultadoCli escrita = EjecutaCli(
        {"write-cfp", programa.En("Mudo.cfp"), "--name", "Mudo", "--server",
         "127.0.0.1," + std::to_string(mudo.Puerto()), "--database", "Ventas", "--user",
         "maint", "--password-stdin", "--encrypt", "--login-timeout", "60"},
        "x\n");
    ASSERT_EQ(escrita.codigo, 0) << escrita.error;

    CarpetaTemporal temporal;
    std::vector<std::string> entorno;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("TMPDIR=", 0) != 0) entorno.emplace_back(*e);
    }
    entorno.push_back("TMPDIR=" + temporal.Texto());
    std::vector<std::string> args{VELQOR_CONFIG_PROGRAMA, "check", programa.En("Mudo.cfp")};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& v : entorno) envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&acciones, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&acciones);

    const fs::path carpeta = temporal.Ruta() / ("velqor-" + std::to_string(::geteuid()));
    const auto archivos = [&carpeta] {
        std::vector<std::string> nombres;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(carpeta, ec)) {
            nombres.push_back(e.path().filename().string());
        }
        return nombres;
    };
    bool visto = false;
    for (int i = 0; i < 2000 && !visto; ++i) {
        for (const std::string& n : archivos()) {
            visto = visto || n.rfind("freetds-" + std::to_string(pid) + "-", 0) == 0;
        }
        if (!visto) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(visto) << "the settings file never appeared";
    ::kill(pid, SIGINT);
    int estado = 0;
    ASSERT_EQ(::waitpid(pid, &estado, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGINT) << estado;
    EXPECT_THAT(archivos(), ::testing::IsEmpty());
}

TEST_F(SecretosE2eTest, ADefinitionCopiedToAnotherInstallationFailsWithThePlainReason) {
    const LlavesPrueba aqui;
    ASSERT_EQ(EjecutaCli({"init-key"}).codigo, 0);
    Arranca();
    const std::string lanzamiento = Lanzamiento();
    ASSERT_EQ(Comprueba().codigo, 0);
    ASSERT_EQ(MuestraLanzamiento(lanzamiento).codigo, 0);
    {
        // The same files on another installation: one with a key of its own, one without any.
        const LlavesPrueba alla;
        for (const bool conLlave : {true, false}) {
            SCOPED_TRACE(conLlave ? "another key" : "no key");
            if (conLlave) {
                ASSERT_EQ(EjecutaCli({"init-key"}).codigo, 0);
            }
            const ResultadoCli r = Comprueba();
            EXPECT_EQ(r.codigo, 1);
            EXPECT_THAT(r.error, HasSubstr("written for another installation"));
            const ResultadoCli l = MuestraLanzamiento(lanzamiento);
            EXPECT_EQ(l.codigo, 1);
            EXPECT_THAT(l.error, HasSubstr("written for another installation"));
            if (conLlave) fs::remove(LlaveInstalacion::RutaUsuario());
        }
    }
    EXPECT_EQ(Comprueba().codigo, 0);
}

TEST_F(SecretosE2eTest, ASharedKeyFileIsReadWithItsWarningThenRekeyed) {
    const LlavesPrueba llaves;
    Arranca();  // no installation key yet: the shared key, read without a word
    const std::string lanzamiento = Lanzamiento();
    const std::string definicion = programa.En("Ventas.cfp");
    ResultadoCli r = Comprueba();
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.error, "");

    const ResultadoCli creada = EjecutaCli({"init-key"});
    ASSERT_EQ(creada.codigo, 0) << creada.error;
    EXPECT_THAT(creada.salida, HasSubstr(llaves.Config() + "/velqor/key"));
    EXPECT_EQ(EjecutaCli({"init-key"}).codigo, 1);  // never replaced

    r = Comprueba();
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.error, HasSubstr("warning: " + definicion +
                                   " is encrypted under the key every copy of Velqor shares"));
    EXPECT_THAT(r.error, HasSubstr("velqor-config rekey " + definicion));
    r = MuestraLanzamiento(lanzamiento);
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.error, HasSubstr("velqor-config rekey " + lanzamiento));

    const std::string antes = LeeBytes(definicion);
    r = EjecutaCli({"rekey", definicion, lanzamiento});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.salida, HasSubstr(definicion + " rewritten under this installation's key"));
    EXPECT_THAT(r.salida, HasSubstr(lanzamiento + " rewritten under this installation's key"));
    // Only the Password value changed.
    const std::string despues = LeeBytes(definicion);
    EXPECT_NE(despues, antes);
    EXPECT_EQ(despues.substr(0, despues.find("Password = ")),
              antes.substr(0, antes.find("Password = ")));

    r = Comprueba();
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.error, "");
    r = MuestraLanzamiento(lanzamiento);
    EXPECT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.error, Not(HasSubstr("rekey")));
    EXPECT_THAT(r.salida, HasSubstr("ana"));
    // Now the shared key no longer opens them: a copy elsewhere is of no use.
    {
        const LlavesPrueba sinLlave;
        EXPECT_THAT(Comprueba().error, HasSubstr("written for another installation"));
    }
}

}  // namespace
}  // namespace velqor::prueba
