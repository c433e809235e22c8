#include "cli/Clave.h"

namespace velqor::cli {

std::vector<Opcion> OpcionesClave() { return {{"password", true}, {"password-stdin", false}}; }

bool DioClave(const Argumentos& argumentos) {
    return argumentos.Tiene("password") || argumentos.Tiene("password-stdin");
}

bool LeeClave(const Argumentos& argumentos, std::istream& entrada, std::string& clave,
              std::string& error) {
    const bool porOpcion = argumentos.Tiene("password");
    const bool porEntrada = argumentos.Tiene("password-stdin");
    if (porOpcion == porEntrada) {
        error = porOpcion ? "give either --password or --password-stdin, not both"
                          : "a password is required: --password-stdin or --password TEXT";
        return false;
    }
    if (porOpcion) {
        clave = *argumentos.Valor("password");
        return true;
    }
    std::string linea;
    if (!std::getline(entrada, linea) && linea.empty()) {
        error = "no password on standard input";
        return false;
    }
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    clave = linea;
    return true;
}

}  // namespace velqor::cli
