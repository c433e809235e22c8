#pragma once
// Quoting of names and texts spliced into SQL Server statements, so that no name or folder can
// change the statement it is put into.

#include <string>
#include <string_view>

namespace velqor::Sql {

// A bracketed identifier: "[" + nombre with every "]" doubled + "]". Sales]x gives [Sales]]x].
std::string Identificador(std::string_view nombre);

// A text literal: "'" + texto with every "'" doubled + "'". O'Brien gives 'O''Brien'.
std::string Literal(std::string_view texto);

}  // namespace velqor::Sql
