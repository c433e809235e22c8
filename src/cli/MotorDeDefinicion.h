#pragma once
// MotorDeDefinicion: what check and set-user share: an engine bound, read only, to the definition
// the command line names, and the look-up of a user in the application's table UsuariosPW.

#include <string>

#include "cli/Argumentos.h"
#include "cli/Definicion.h"
#include "db/Connection.h"
#include "engine/Velqor.h"

namespace velqor::cli {

// Finds the definition the first positional argument names (a .cfp path or an entry of the
// program folder) and binds motor to it, read only. False with error when it is not found or does
// not load.
bool EnlazaMotor(const Argumentos& argumentos, Velqor& motor, Definicion& definicion,
                 std::string& error);

// True when UsuariosPW holds a row named usuario; comoOperador also counts, for the name "Admin",
// the row of code 1, as the operator check does. Throws as Connection::Execute does (a missing
// table: 208).
bool UsuarioEnTabla(db::Connection& conn, const std::string& usuario, bool comoOperador);

}  // namespace velqor::cli
