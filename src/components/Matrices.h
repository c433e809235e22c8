#pragma once
// Matrices: list helpers over Valor lists, and the folder listing. An Empty Valor behaves as a list
// without rows in Agrega, Ordena and Busca.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Valor.h"

namespace velqor::Matrices {

// Appends elemento as the new last element of lista (in place). An Empty lista becomes a
// one-element list. Throws ErrorEjecucion 13 when lista is neither Empty nor an array.
void Agrega(Valor& lista, Valor elemento);

// Orders the rows desde..hasta of lista (-1: from the first, to the last row) on their element
// `columna` (always called with -1, 2, -1), ascending and stable, in O(n log n): Empty, then Null,
// then numbers (Boolean as its number) numerically (NaN after them), then dates, then texts by
// their bytes. All rows are kept. Throws ErrorEjecucion 13, with lista unchanged, when lista is
// neither Empty nor a list of rows holding that element, or a key is itself a list.
void Ordena(Valor& lista, int32_t desde, int32_t columna, int32_t hasta);

// Whether key a sorts before key b in Ordena's order. Throws ErrorEjecucion 13 when either is a
// list.
bool Antes(const Valor& a, const Valor& b);

// The index of the first row whose element `columna` is the String valor (same bytes); -1 when none
// matches or lista is not a list. Rows that are not lists or lack that element are passed over.
int32_t Busca(const Valor& lista, const std::string& valor, int32_t columna);

// The names (without folder) of the regular files in carpeta (a link to one counts) matching
// patron, a wildcard pattern ("*" any run, "?" one character, ASCII letters compared without case:
// "*.cfp" also takes "A.CFP" and ".cfp"), sorted by their bytes. False, with nombres untouched,
// when carpeta cannot be listed.
bool ListaArchivos(std::vector<std::string>& nombres, const std::string& carpeta,
                   const std::string& patron);

}  // namespace velqor::Matrices
