#pragma once
// Small text services shared by the subcommands.

#include <string>
#include <string_view>

namespace velqor::cli {

// True when texto is empty or holds only blanks (spaces), as the window and the operator check see
// it.
bool EsBlanco(std::string_view texto);

// UTF-8 text upper-cased letter by letter as the operator check does it before coding a password:
// ASCII, Latin-1 and the other Windows-1252 letters (é gives É, ÿ gives Ÿ); every other character,
// and bytes that are not valid UTF-8, pass unchanged.
std::string Mayusculas(std::string_view texto);

}  // namespace velqor::cli
