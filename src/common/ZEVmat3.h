#pragma once
// ZEVmat3: the array text form, a one-dimensional list of values nested to any depth, written as
// tagged, length-prefixed elements with an upper-bound header and two checksums per level.
// The format is described in docs/array-text.md. Both operations run in linear time.

#include <string>
#include <string_view>

#include "common/Valor.h"

namespace velqor {

// Writes matriz (an Array Valor) into texto. False when matriz is not an array (texto empty, no
// message) or holds a value that cannot be written (a message box names its type; texto keeps
// what was written before the failing entry). Nesting deeper than 1000 levels, or a level whose
// checksums leave the 32-bit range, also fails (without a message). Never throws.
bool MatrizATexto(const Valor& matriz, std::string& texto);

// Reads texto into matriz (a 0-based Array). True only when the whole text read and both checksums
// of every level agreed; never throws, never loops. Characters after the last element are ignored.
// On failure matriz holds the entries read before the failing one (Empty when not even the upper
// bound could be read). Nesting deeper than 1000 levels fails.
bool TextoAMatriz(std::string_view texto, Valor& matriz);

}  // namespace velqor
