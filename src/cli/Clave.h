#pragma once
// Clave: where a subcommand takes a password from: "--password TEXT" (visible to other users in
// the process list), "--password-stdin" (the first line of standard input), "--password-file FILE"
// (the first line of a file) or, when none is given and standard input is a terminal, a prompt
// that does not echo what is typed.

#include <string>
#include <vector>

#include "cli/Argumentos.h"
#include "cli/Consola.h"

namespace velqor::cli {

// The password options, for a subcommand's option list.
std::vector<Opcion> OpcionesClave();

// True when any password option was given.
bool DioClave(const Argumentos& argumentos);

// Fills clave from the one option given, or from a prompt on a terminal (echo off, and back on
// however the prompt ends: EcoApagado). False with error (one sentence) when more than one was
// given, none was given off a terminal, the file cannot be read or holds no line, or standard
// input holds no line, or the first line runs past 4096 bytes (reading stops there); an empty line
// is an empty password. The line end (LF or CR LF) is not part of the password. A password file
// that its group or other users may read gets a warning on consola.error.
bool LeeClave(const Argumentos& argumentos, Consola& consola, std::string& clave,
              std::string& error);

}  // namespace velqor::cli
