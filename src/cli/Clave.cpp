#include "cli/Clave.h"

#include <termios.h>
#include <unistd.h>

#include <fstream>

namespace velqor::cli {
namespace {

// The first line of entrada without its line end; false when there is none.
bool PrimeraLinea(std::istream& entrada, std::string& linea) {
    linea.clear();
    if (!std::getline(entrada, linea) && linea.empty()) return false;
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    return true;
}

// Asks on the terminal with echo off, and puts echo back whatever happens.
bool PideSinEco(Consola& consola, std::string& clave) {
    consola.error << "Password: " << std::flush;
    termios antes{};
    const bool conTerminal = tcgetattr(STDIN_FILENO, &antes) == 0;
    if (conTerminal) {
        termios sinEco = antes;
        sinEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &sinEco);
    }
    const bool leida = PrimeraLinea(consola.entrada, clave);
    if (conTerminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &antes);
    consola.error << '\n';
    return leida;
}

}  // namespace

std::vector<Opcion> OpcionesClave() {
    return {{"password", true}, {"password-stdin", false}, {"password-file", true}};
}

bool DioClave(const Argumentos& argumentos) {
    return argumentos.Tiene("password") || argumentos.Tiene("password-stdin") ||
           argumentos.Tiene("password-file");
}

bool LeeClave(const Argumentos& argumentos, Consola& consola, std::string& clave,
              std::string& error) {
    const int dadas = (argumentos.Tiene("password") ? 1 : 0) +
                      (argumentos.Tiene("password-stdin") ? 1 : 0) +
                      (argumentos.Tiene("password-file") ? 1 : 0);
    if (dadas > 1) {
        error = "give only one of --password, --password-stdin and --password-file";
        return false;
    }
    if (argumentos.Tiene("password")) {
        clave = *argumentos.Valor("password");
        return true;
    }
    if (argumentos.Tiene("password-file")) {
        const std::string ruta = *argumentos.Valor("password-file");
        std::ifstream archivo(ruta, std::ios::binary);
        if (!archivo || !PrimeraLinea(archivo, clave)) {
            error = "no password could be read from " + ruta;
            return false;
        }
        return true;
    }
    if (argumentos.Tiene("password-stdin")) {
        if (!PrimeraLinea(consola.entrada, clave)) {
            error = "no password on standard input";
            return false;
        }
        return true;
    }
    if (consola.terminal && PideSinEco(consola, clave)) return true;
    error =
        consola.terminal
            ? "no password was typed"
            : "a password is required: --password-stdin, --password-file FILE or --password TEXT";
    return false;
}

}  // namespace velqor::cli
