#include "engine/Sql.h"

namespace velqor::Sql {
namespace {

// Wraps texto in abre/cierra, doubling every occurrence of cierra inside it.
std::string Envuelve(std::string_view texto, char abre, char cierra) {
    std::string resultado;
    resultado.reserve(texto.size() + 2);
    resultado += abre;
    for (char c : texto) {
        if (c == cierra) resultado += cierra;
        resultado += c;
    }
    resultado += cierra;
    return resultado;
}

}  // namespace

std::string Identificador(std::string_view nombre) { return Envuelve(nombre, '[', ']'); }

std::string Literal(std::string_view texto) { return Envuelve(texto, '\'', '\''); }

}  // namespace velqor::Sql
