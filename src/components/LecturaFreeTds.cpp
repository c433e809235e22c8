#include "components/LecturaFreeTds.h"

#include <strings.h>

namespace velqor::LecturaFreeTds {

namespace {

// FreeTDS's TDS_ISSPACE: isspace in the C locale.
bool EsBlanco(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char Minuscula(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Copies texto from i up to (not including) a character for which fin answers true, dropping
// blanks at the ends and turning each inner run of them into one space, as FreeTDS does; i is left
// on the character that stopped it.
template <typename Fin>
std::string Compacta(std::string_view texto, std::size_t& i, Fin fin, bool minusculas) {
    std::string salida;
    char anterior = 0;
    for (; i < texto.size() && !fin(texto[i]); ++i) {
        const char c = texto[i];
        if (!EsBlanco(c)) {
            if (EsBlanco(anterior)) salida.push_back(' ');
            salida.push_back(minusculas ? Minuscula(c) : c);
        }
        anterior = c;
    }
    return salida;
}

}  // namespace

std::map<std::string, std::string> Seccion(std::string_view texto, std::string_view seccion) {
    std::map<std::string, std::string> opciones;
    bool dentro = false;
    const std::string buscada(seccion);
    while (!texto.empty()) {
        // fgets into a 256-byte buffer: up to and including a line end, at most 255 bytes.
        std::size_t largo = texto.find('\n');
        largo = largo == std::string_view::npos ? texto.size() : largo + 1;
        largo = std::min(largo, kLargoLinea);
        std::string_view linea = texto.substr(0, largo);
        texto.remove_prefix(largo);
        // A C string ends at its first NUL.
        linea = linea.substr(0, linea.find('\0'));

        std::size_t i = 0;
        while (i < linea.size() && EsBlanco(linea[i])) ++i;
        if (i < linea.size() && (linea[i] == ';' || linea[i] == '#')) continue;
        std::string opcion = Compacta(
            linea, i, [](char c) { return c == '='; }, true);
        if (opcion.empty()) continue;
        if (i < linea.size()) ++i;  // the "="
        while (i < linea.size() && EsBlanco(linea[i])) ++i;
        std::string valor = Compacta(
            linea, i, [](char c) { return c == ';' || c == '#'; }, false);
        if (opcion.front() == '[') {
            const std::string nombre = opcion.substr(1, opcion.find(']') - 1);
            dentro = ::strcasecmp(buscada.c_str(), nombre.c_str()) == 0;
        } else if (dentro) {
            opciones[opcion] = std::move(valor);
        }
    }
    return opciones;
}

std::string Linea(std::string_view opcion, std::string_view valor) {
    std::string linea = "\t" + std::string(opcion);
    linea.append(" = ").append(valor).push_back('\n');
    return linea;
}

std::string PorQueNoCabe(std::string_view opcion, std::string_view valor) {
    const std::size_t largo = Linea(opcion, valor).size();
    if (largo > kLargoLinea) {
        return "it is longer than the " + std::to_string(valor.size() - (largo - kLargoLinea)) +
               " bytes FreeTDS reads on one line of its settings";
    }
    for (char c : valor) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F)
            return "it holds a line end or a control character";
        if (c == '#' || c == ';')
            return "it holds \"#\" or \";\", where FreeTDS's settings begin a comment";
    }
    // What is left to change is the blanks: read the line back as FreeTDS would.
    const auto leidas = Seccion("[s]\n" + Linea(opcion, valor), "s");
    const auto leida = leidas.find(std::string(opcion));
    if (leida == leidas.end() || leida->second != valor) {
        return "FreeTDS's settings would change its blanks (a tab, a blank at either end, or two "
               "in a row)";
    }
    return "";
}

}  // namespace velqor::LecturaFreeTds
