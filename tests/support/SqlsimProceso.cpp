#include "SqlsimProceso.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velqor::prueba {
namespace {

// Reads the first line the child writes, waiting at most `ms`; empty when none came.
std::string PrimeraLinea(int fd, int ms) {
    std::string linea;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (linea.find('\n') == std::string::npos) {
        const auto resto = std::chrono::duration_cast<std::chrono::milliseconds>(
                               limite - std::chrono::steady_clock::now())
                               .count();
        if (resto <= 0) return "";
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(resto)) <= 0) continue;
        char b[256];
        const ssize_t n = ::read(fd, b, sizeof b);
        if (n <= 0) return "";
        linea.append(b, static_cast<size_t>(n));
    }
    return linea.substr(0, linea.find('\n'));
}

}  // namespace

std::string RutaSqlsim() { return VELQOR_BIN_DIR "/sqlsim"; }

std::string CadenaFreeTds(uint16_t puerto, const std::string& base, const std::string& usuario,
                          const std::string& clave) {
    // Values go in braces, so ';' or '=' in a password cannot split them. FreeTDS takes a braced
    // value up to the first "};" and does not undouble "}}", so a '}' is written as it is.
    const auto entre = [](const std::string& v) { return "{" + v + "}"; };
    return "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(puerto) +
           ";Database=" + entre(base) + ";UID=" + entre(usuario) + ";PWD=" + entre(clave) +
           ";TDS_Version=7.4;ClientCharset=UTF-8";
}

SqlsimProceso::SqlsimProceso(const std::string& escenario) {
    std::string rutaEscenario = escenario;
    if (!escenario.empty() && escenario.front() == '{') {
        rutaEscenario = carpeta_.En("escenario.json");
        EscribeBytes(rutaEscenario, escenario);
    }
    diario_ = carpeta_.En("diario.txt");
    const std::string programa = RutaSqlsim();
    std::vector<std::string> args = {programa, "--scenario", rutaEscenario, "--journal", diario_};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int tubo[2];
    if (::pipe(tubo) != 0) throw std::runtime_error("pipe failed");
    const pid_t padre = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // The simulator must not outlive a test process that dies without cleaning up.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != padre) ::_exit(127);
        ::dup2(tubo[1], STDOUT_FILENO);
        ::close(tubo[0]);
        ::close(tubo[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(tubo[1]);
    const std::string linea = PrimeraLinea(tubo[0], 10000);
    ::close(tubo[0]);
    const std::string prefijo = "listening on 127.0.0.1:";
    if (linea.rfind(prefijo, 0) != 0) {
        Detiene(2);
        throw std::runtime_error("sqlsim did not start (" + programa + "): '" + linea + "'");
    }
    puerto_ = static_cast<uint16_t>(std::stoi(linea.substr(prefijo.size())));
}

SqlsimProceso::~SqlsimProceso() { Detiene(); }

int SqlsimProceso::Detiene(int segundos) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int estado = 0;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
    while (::waitpid(pid_, &estado, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limite) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &estado, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return estado;
}

std::vector<std::string> SqlsimProceso::LineasDiario() const {
    std::vector<std::string> lineas;
    std::istringstream s(LeeBytes(diario_));
    for (std::string l; std::getline(s, l);) lineas.push_back(l);
    return lineas;
}

std::string SqlsimProceso::CadenaConexion(const std::string& base, const std::string& usuario,
                                          const std::string& clave) const {
    return CadenaFreeTds(puerto_, base, usuario, clave);
}

}  // namespace velqor::prueba
