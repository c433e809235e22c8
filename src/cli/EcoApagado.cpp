#include "cli/EcoApagado.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace velqor::cli {

namespace {

constexpr std::array kSenales = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// What the signal handler needs; a handler can reach nothing else. Set before the handlers are
// installed and only read while they are.
struct Terminal {
    termios antes{};
    termios sinEco{};
    std::array<struct sigaction, kSenales.size()> previas{};
};

Terminal& Estado() {
    static Terminal estado;
    return estado;
}

void AlSenal(int senal);

void Instala(int senal, struct sigaction* previa) {
    struct sigaction accion {};
    accion.sa_handler = AlSenal;
    sigemptyset(&accion.sa_mask);
    for (int otra : kSenales) sigaddset(&accion.sa_mask, otra);
    // The read of the password goes on after a stop and a continue.
    accion.sa_flags = SA_RESTART;
    ::sigaction(senal, &accion, previa);
}

void AlSenal(int senal) {
    const int errnoAntes = errno;
    Terminal& t = Estado();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &t.antes);
    std::size_t i = 0;
    while (i + 1 < kSenales.size() && kSenales[i] != senal) ++i;
    if (senal == SIGTSTP) {
        // Stop now, as Ctrl-Z asks, with the terminal as the shell expects it.
        ::signal(SIGTSTP, SIG_DFL);
        sigset_t solo;
        sigemptyset(&solo);
        sigaddset(&solo, SIGTSTP);
        ::sigprocmask(SIG_UNBLOCK, &solo, nullptr);
        ::raise(SIGTSTP);
        // Continued: the prompt is still waiting for the password.
        ::sigprocmask(SIG_BLOCK, &solo, nullptr);
        Instala(SIGTSTP, nullptr);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &t.sinEco);
    } else {
        // Hand the signal to what was there before; it is delivered when this handler returns.
        ::sigaction(senal, &t.previas[i], nullptr);
        ::raise(senal);
    }
    errno = errnoAntes;
}

}  // namespace

EcoApagado::EcoApagado() {
    Terminal& t = Estado();
    if (::tcgetattr(STDIN_FILENO, &t.antes) != 0) return;
    t.sinEco = t.antes;
    t.sinEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    for (std::size_t i = 0; i < kSenales.size(); ++i) Instala(kSenales[i], &t.previas[i]);
    activo_ = true;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &t.sinEco);
}

EcoApagado::~EcoApagado() {
    if (!activo_) return;
    Terminal& t = Estado();
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &t.antes);
    for (std::size_t i = 0; i < kSenales.size(); ++i) {
        ::sigaction(kSenales[i], &t.previas[i], nullptr);
    }
}

}  // namespace velqor::cli
