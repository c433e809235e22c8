#include "db/CadenaOdbc.h"

namespace velqor::db {
namespace {

void AgregaAtributo(std::string& cadena, const char* clave, const std::string& valor) {
    if (valor.empty()) return;
    if (!cadena.empty() && cadena.back() != ';') cadena += ';';
    cadena += clave;
    cadena += "={";
    for (char c : valor) {
        cadena += c;
        if (c == '}') cadena += '}';
    }
    cadena += "};";
}

}  // namespace

std::string ConCredenciales(std::string cadena, const std::string& usuario, const std::string& clave) {
    AgregaAtributo(cadena, "UID", usuario);
    AgregaAtributo(cadena, "PWD", clave);
    return cadena;
}

}  // namespace velqor::db
