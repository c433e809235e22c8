// Where a password comes from: a capped first line, a warning for a file others can read, and a
// no-echo prompt that gives the terminal back whatever signal ends or stops it (on a real
// pseudo-terminal, in a child process).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <thread>

#include "CarpetaTemporal.h"
#include "cli/Clave.h"

namespace velqor::cli {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;

bool Lee(const std::vector<std::string>& palabras, const std::string& entrada, std::string& clave,
         std::string& error, std::string* avisos = nullptr) {
    Argumentos argumentos;
    EXPECT_TRUE(argumentos.Analiza(OpcionesClave(), palabras, error)) << error;
    std::istringstream in(entrada);
    std::ostringstream out, err;
    Consola consola{in, out, err};
    const bool leida = LeeClave(argumentos, consola, clave, error);
    if (avisos) *avisos = err.str();
    return leida;
}

TEST(Clave, OnlyAFewKilobytesOfTheFirstLineAreRead) {
    CarpetaTemporal carpeta;
    const std::string justo = carpeta.En("justo");
    EscribeBytes(justo, std::string(4096, 'a') + "\n");
    ::chmod(justo.c_str(), 0600);
    std::string clave, error;
    ASSERT_TRUE(Lee({"--password-file", justo}, "", clave, error)) << error;
    EXPECT_EQ(clave.size(), 4096u);
    // /dev/zero never ends a line: reading stops at the cap instead of filling the memory.
    for (const auto& [palabras, entrada] :
         {std::pair<std::vector<std::string>, std::string>{{"--password-file", "/dev/zero"}, ""},
          {{"--password-stdin"}, std::string(5000, 'x') + "\n"}}) {
        EXPECT_FALSE(Lee(palabras, entrada, clave, error));
        EXPECT_NE(error.find("longer than 4096 bytes"), std::string::npos) << error;
    }
}

TEST(Clave, APasswordFileOthersMayReadIsUsedWithAWarning) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("clave.txt");
    EscribeBytes(ruta, "s3cret\r\nsecond line\n");
    for (const auto& [modo, avisa] : {std::pair{0600, false}, {0640, true}, {0604, true}}) {
        ::chmod(ruta.c_str(), static_cast<mode_t>(modo));
        std::string clave, error, avisos;
        ASSERT_TRUE(Lee({"--password-file", ruta}, "", clave, error, &avisos)) << error;
        EXPECT_EQ(clave, "s3cret");
        EXPECT_EQ(avisos.find("can be read by other users") != std::string::npos, avisa)
            << std::oct << modo << ": " << avisos;
    }
}

// A child whose standard input is the pseudo-terminal's other end waits at the no-echo prompt;
// the parent watches the terminal's settings from its side.
class PideEnTerminal {
  public:
    PideEnTerminal() {
        if (::openpty(&maestro_, &esclavo_, nullptr, nullptr, nullptr) != 0) return;
        hijo_ = ::fork();
        if (hijo_ == 0) {
            // A process group of its own, so that Ctrl-Z's stop is not discarded.
            ::setpgid(0, 0);
            ::dup2(esclavo_, STDIN_FILENO);
            std::ostringstream nada;
            Consola consola{std::cin, nada, nada, true};
            Argumentos argumentos;
            std::string clave, error;
            argumentos.Analiza(OpcionesClave(), {}, error);
            const bool leida = LeeClave(argumentos, consola, clave, error);
            ::_exit(leida && clave == "s3cret" ? 0 : 3);
        }
    }
    ~PideEnTerminal() {
        if (hijo_ > 0 && ::waitpid(hijo_, nullptr, WNOHANG) == 0) {
            ::kill(hijo_, SIGKILL);
            ::waitpid(hijo_, nullptr, 0);
        }
        ::close(maestro_);
        ::close(esclavo_);
    }
    PideEnTerminal(const PideEnTerminal&) = delete;
    PideEnTerminal& operator=(const PideEnTerminal&) = delete;

    bool Eco() const {
        termios t{};
        ::tcgetattr(esclavo_, &t);
        return (t.c_lflag & ECHO) != 0;
    }
    // Waits (up to 10 s) until echo is as asked.
    bool EsperaEco(bool eco) const {
        for (int i = 0; i < 1000; ++i) {
            if (Eco() == eco) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    pid_t Hijo() const { return hijo_; }
    void Escribe(const std::string& texto) const {
        ASSERT_EQ(::write(maestro_, texto.data(), texto.size()),
                  static_cast<ssize_t>(texto.size()));
    }

  private:
    int maestro_ = -1, esclavo_ = -1;
    pid_t hijo_ = -1;
};

TEST(ClaveEnTerminal, SignalsThatEndThePromptGiveEchoBack) {
    for (const int senal : {SIGINT, SIGTERM}) {
        PideEnTerminal terminal;
        ASSERT_GT(terminal.Hijo(), 0);
        ASSERT_TRUE(terminal.EsperaEco(false)) << "the prompt never turned echo off";
        ::kill(terminal.Hijo(), senal);
        int estado = 0;
        ASSERT_EQ(::waitpid(terminal.Hijo(), &estado, 0), terminal.Hijo());
        // Ended by the signal, as without the prompt, and with the terminal as it was.
        EXPECT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == senal) << senal;
        EXPECT_TRUE(terminal.Eco()) << "echo left off after signal " << senal;
    }
}

TEST(ClaveEnTerminal, CtrlZStopsWithEchoOnAndTheWaitGoesOnWhenContinued) {
    PideEnTerminal terminal;
    ASSERT_GT(terminal.Hijo(), 0);
    ASSERT_TRUE(terminal.EsperaEco(false));
    ::kill(terminal.Hijo(), SIGTSTP);
    int estado = 0;
    ASSERT_EQ(::waitpid(terminal.Hijo(), &estado, WUNTRACED), terminal.Hijo());
    ASSERT_TRUE(WIFSTOPPED(estado));
    EXPECT_TRUE(terminal.Eco()) << "stopped with echo off";
    ::kill(terminal.Hijo(), SIGCONT);
    EXPECT_TRUE(terminal.EsperaEco(false)) << "continued with echo on at the password prompt";
    terminal.Escribe("s3cret\n");
    ASSERT_EQ(::waitpid(terminal.Hijo(), &estado, 0), terminal.Hijo());
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
    EXPECT_TRUE(terminal.Eco());
}

}  // namespace
}  // namespace velqor::cli
