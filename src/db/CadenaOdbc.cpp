#include "db/CadenaOdbc.h"

#include <algorithm>
#include <cctype>

namespace velqor::db {
namespace {

std::string Minusculas(std::string texto) {
    std::transform(texto.begin(), texto.end(), texto.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return texto;
}

void AgregaAtributo(std::string& cadena, const char* clave, const std::string& valor,
                    bool doblaLlaves) {
    if (valor.empty()) return;
    if (!cadena.empty() && cadena.back() != ';') cadena += ';';
    cadena += clave;
    cadena += "={";
    for (char c : valor) {
        cadena += c;
        if (c == '}' && doblaLlaves) cadena += '}';
    }
    cadena += "};";
}

}  // namespace

bool EsFreeTds(const std::string& cadena) {
    const std::string minusculas = Minusculas(cadena);
    for (std::size_t inicio = 0; inicio < minusculas.size();) {
        std::size_t fin = minusculas.find(';', inicio);
        if (fin == std::string::npos) fin = minusculas.size();
        const std::string par = minusculas.substr(inicio, fin - inicio);
        const std::size_t igual = par.find('=');
        if (igual != std::string::npos) {
            std::string clave = par.substr(0, igual);
            std::erase(clave, ' ');
            if (clave == "driver")
                return par.find("freetds", igual) != std::string::npos ||
                       par.find("tdsodbc", igual) != std::string::npos;
        }
        inicio = fin + 1;
    }
    return false;
}

std::string ConCredenciales(std::string cadena, const std::string& usuario,
                            const std::string& clave) {
    const bool doblaLlaves = !EsFreeTds(cadena);
    AgregaAtributo(cadena, "UID", usuario, doblaLlaves);
    AgregaAtributo(cadena, "PWD", clave, doblaLlaves);
    return cadena;
}

}  // namespace velqor::db
