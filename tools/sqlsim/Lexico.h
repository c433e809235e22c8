#pragma once
// Splits T-SQL text into tokens: words, [bracketed] and "quoted" identifiers, 'string' literals
// (quotes doubled inside), numbers, @variables and symbols. Comments are dropped.

#include <string>
#include <string_view>
#include <vector>

#include "Sentencia.h"

namespace velqor::sqlsim {

struct Token {
    enum class Tipo { Palabra, Identificador, Cadena, Numero, Variable, Simbolo, Fin };
    Tipo tipo = Tipo::Fin;
    std::string valor;   // quoting undone: the name or the literal's text; symbols as written
    std::string fuente;  // the text as the client wrote it (used in "Incorrect syntax near")
};

// Tokenizes a whole batch; the last token is Fin. An unclosed quote or bracket fills `errores`
// with 105 and 102 (class 15), as SQL Server reports it, and answers no tokens.
std::vector<Token> Tokeniza(std::string_view texto, std::vector<MensajeSql>& errores);

// "Incorrect syntax near 'X'." (102, class 15).
MensajeSql ErrorSintaxis(const std::string& cerca);

}  // namespace velqor::sqlsim
