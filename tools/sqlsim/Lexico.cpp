#include "Lexico.h"

#include <cctype>

namespace velqor::sqlsim {
namespace {

bool EsInicioPalabra(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}
bool EsParteDePalabra(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}

// Reads a quoted run starting after the opening character; `cierre` doubled stands for itself.
// Answers false when the text ends before the closing character.
bool LeeEntreComillas(std::string_view t, size_t& i, char cierre, std::string& valor) {
    while (i < t.size()) {
        if (t[i] == cierre) {
            if (i + 1 < t.size() && t[i + 1] == cierre) {
                valor += cierre;
                i += 2;
                continue;
            }
            ++i;
            return true;
        }
        valor += t[i++];
    }
    return false;
}

}  // namespace

MensajeSql ErrorSintaxis(const std::string& cerca) {
    return {102, 1, 15, "Incorrect syntax near '" + cerca + "'."};
}

std::vector<Token> Tokeniza(std::string_view t, std::vector<MensajeSql>& errores) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < t.size()) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (t.compare(i, 2, "--") == 0) {
            while (i < t.size() && t[i] != '\n') ++i;
            continue;
        }
        if (t.compare(i, 2, "/*") == 0) {
            const size_t fin = t.find("*/", i + 2);
            if (fin == std::string_view::npos) {
                errores.push_back({113, 1, 15, "Missing end comment mark '*/'."});
                return {};
            }
            i = fin + 2;
            continue;
        }
        Token tok;
        const size_t inicio = i;
        const bool nacional = (c == 'N' || c == 'n') && i + 1 < t.size() && t[i + 1] == '\'';
        if (c == '\'' || nacional) {
            i += nacional ? 2 : 1;
            tok.tipo = Token::Tipo::Cadena;
            if (!LeeEntreComillas(t, i, '\'', tok.valor)) {
                const std::string resto(t.substr(inicio + (nacional ? 2 : 1)));
                errores.push_back(
                    {105, 1, 15,
                     "Unclosed quotation mark after the character string '" + resto + "'."});
                errores.push_back(ErrorSintaxis(resto));
                return {};
            }
        } else if (c == '[' || c == '"') {
            ++i;
            tok.tipo = Token::Tipo::Identificador;
            if (!LeeEntreComillas(t, i, c == '[' ? ']' : '"', tok.valor)) {
                const std::string resto(t.substr(inicio + 1));
                errores.push_back(
                    {105, 1, 15,
                     "Unclosed quotation mark after the character string '" + resto + "'."});
                errores.push_back(ErrorSintaxis(resto));
                return {};
            }
        } else if (c == '@') {
            ++i;
            if (i < t.size() && t[i] == '@') ++i;
            while (i < t.size() && EsParteDePalabra(static_cast<unsigned char>(t[i]))) ++i;
            tok.tipo = Token::Tipo::Variable;
            tok.valor = std::string(t.substr(inicio, i - inicio));
        } else if (std::isdigit(c)) {
            while (i < t.size() && (std::isdigit(static_cast<unsigned char>(t[i])) || t[i] == '.'))
                ++i;
            tok.tipo = Token::Tipo::Numero;
            tok.valor = std::string(t.substr(inicio, i - inicio));
        } else if (EsInicioPalabra(c)) {
            while (i < t.size() && EsParteDePalabra(static_cast<unsigned char>(t[i]))) ++i;
            tok.tipo = Token::Tipo::Palabra;
            tok.valor = std::string(t.substr(inicio, i - inicio));
        } else {
            tok.tipo = Token::Tipo::Simbolo;
            const std::string_view dos = t.substr(i, 2);
            i += (dos == "<>" || dos == "!=" || dos == "<=" || dos == ">=") ? 2 : 1;
            tok.valor = std::string(t.substr(inicio, i - inicio));
        }
        tok.fuente = std::string(t.substr(inicio, i - inicio));
        tokens.push_back(std::move(tok));
    }
    tokens.push_back(Token{Token::Tipo::Fin, "", ""});
    return tokens;
}

}  // namespace velqor::sqlsim
