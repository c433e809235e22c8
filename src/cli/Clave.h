#pragma once
// Clave: where a subcommand takes a password from: "--password TEXT" (visible to other users in
// the process list) or "--password-stdin" (the first line of standard input, without its line end).

#include <istream>
#include <string>
#include <vector>

#include "cli/Argumentos.h"

namespace velqor::cli {

// The two password options, for a subcommand's option list.
std::vector<Opcion> OpcionesClave();

// True when either password option was given.
bool DioClave(const Argumentos& argumentos);

// Fills clave from exactly one of the two options. False with error (one sentence) when neither
// or both were given, or standard input holds no line; an empty line is an empty password.
bool LeeClave(const Argumentos& argumentos, std::istream& entrada, std::string& clave,
              std::string& error);

}  // namespace velqor::cli
