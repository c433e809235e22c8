#include "cli/Clave.h"

#include <filesystem>
#include <fstream>

#include "cli/EcoApagado.h"
#include "common/Archivo.h"

namespace velqor::cli {
namespace {

// No password is this long; a file or stream without a line end soon (/dev/zero) is not one.
constexpr std::size_t kMaximoLinea = 4096;

enum class Linea { Leida, Ninguna, Larga };

// The first line of entrada without its line end, reading no more than kMaximoLinea bytes of it.
Linea PrimeraLinea(std::istream& entrada, std::string& linea) {
    linea.clear();
    bool alguna = false;
    char c = 0;
    while (entrada.get(c)) {
        alguna = true;
        if (c == '\n') break;
        if (linea.size() == kMaximoLinea) return Linea::Larga;
        linea.push_back(c);
    }
    if (!alguna) return Linea::Ninguna;
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    return Linea::Leida;
}

// The line as a password; false with error (sinLinea when there is none) when there is none or it
// is too long.
bool Toma(std::istream& entrada, const std::string& origen, const std::string& sinLinea,
          std::string& clave, std::string& error) {
    std::string linea;
    switch (PrimeraLinea(entrada, linea)) {
        case Linea::Leida:
            clave = std::move(linea);
            return true;
        case Linea::Larga:
            error = "the first line of " + origen + " is longer than " +
                    std::to_string(kMaximoLinea) + " bytes: it is not a password";
            return false;
        case Linea::Ninguna:
            break;
    }
    error = sinLinea;
    return false;
}

// Asks on the terminal with echo off, and puts echo back whatever happens.
bool PideSinEco(Consola& consola, std::string& clave, std::string& error) {
    consola.error << "Password: " << std::flush;
    bool leida = false;
    {
        const EcoApagado eco;
        leida = Toma(consola.entrada, "the terminal", "no password was typed", clave, error);
    }
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
        if (!archivo) {
            error = "no password could be read from " + ruta;
            return false;
        }
        if (!Toma(archivo, ruta, "no password could be read from " + ruta, clave, error)) {
            return false;
        }
        std::error_code ec;
        if (std::filesystem::is_regular_file(ruta, ec) && LegiblePorOtros(ruta)) {
            consola.error << "velqor-config: warning: the password file " << ruta
                          << " can be read by other users; make it the owner's only (chmod 600 "
                          << ruta << ")\n";
        }
        return true;
    }
    if (argumentos.Tiene("password-stdin")) {
        return Toma(consola.entrada, "standard input", "no password on standard input", clave,
                    error);
    }
    if (consola.terminal) return PideSinEco(consola, clave, error);
    error = "a password is required: --password-stdin, --password-file FILE or --password TEXT";
    return false;
}

}  // namespace velqor::cli
