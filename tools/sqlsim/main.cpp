// sqlsim: a Microsoft SQL Server stand-in speaking TDS on 127.0.0.1, driven by a scenario file.
// Usage: sqlsim --scenario FILE [--port N] [--journal FILE]

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "Diario.h"
#include "Escenario.h"
#include "Servidor.h"

namespace {

int Uso() {
    std::cerr << "usage: sqlsim --scenario FILE [--port N] [--journal FILE]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string escenario, diario;
    long puerto = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return Uso();
        if (a == "--scenario") {
            escenario = argv[++i];
        } else if (a == "--journal") {
            diario = argv[++i];
        } else if (a == "--port") {
            char* fin = nullptr;
            puerto = std::strtol(argv[++i], &fin, 10);
            if (*fin != '\0' || puerto < 0 || puerto > 65535) return Uso();
        } else {
            return Uso();
        }
    }
    if (escenario.empty()) return Uso();

    // SIGTERM and SIGINT are taken by one thread that stops the server; the rest never see them.
    sigset_t senales;
    sigemptyset(&senales);
    sigaddset(&senales, SIGTERM);
    sigaddset(&senales, SIGINT);
    pthread_sigmask(SIG_BLOCK, &senales, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        std::ifstream f(escenario, std::ios::binary);
        if (!f) throw std::runtime_error("cannot read scenario " + escenario);
        std::ostringstream texto;
        texto << f.rdbuf();
        const velqor::sqlsim::Escenario esc = velqor::sqlsim::CargaEscenario(texto.str());
        velqor::sqlsim::Diario journal(diario);
        velqor::sqlsim::Servidor servidor(esc, journal, static_cast<uint16_t>(puerto));
        std::cout << "listening on 127.0.0.1:" << servidor.Puerto() << std::endl;
        std::thread vigia([&] {
            int senal = 0;
            sigwait(&senales, &senal);
            servidor.Detiene();
        });
        servidor.Sirve();
        // Should serving end without a signal, wake the watcher; a signal left pending is harmless.
        ::kill(::getpid(), SIGTERM);
        vigia.join();
    } catch (const std::exception& e) {
        std::cerr << "sqlsim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
