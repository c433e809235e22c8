#pragma once
// Matrices: list helpers over Valor lists, and the folder listing. An Empty Valor behaves as a list
// without rows in Agrega, Ordena and Busca.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Valor.h"

namespace velqor::Matrices {

// Appends elemento as the new last element of lista (in place). An Empty lista becomes a one-element
// list. Throws ErrorEjecucion 13 when lista is neither Empty nor an array.
void Agrega(Valor& lista, Valor elemento);

// Orders the rows of lista on their element `columna` (always called with -1, 2, -1), ascending and
// stable: numbers numerically, texts by their bytes, numbers before texts. All rows are kept.
// Throws ErrorEjecucion 13 when lista is neither Empty nor a list of rows with that element.
void Ordena(Valor& lista, int32_t desde, int32_t columna, int32_t hasta);

// The index of the first row whose element `columna` is the String valor; -1 when none matches.
int32_t Busca(const Valor& lista, const std::string& valor, int32_t columna);

// The names (without folder) of the regular files in carpeta matching patron ("*.cfp": the
// extension is compared case-insensitively), sorted by name. False when carpeta cannot be listed.
bool ListaArchivos(std::vector<std::string>& nombres, const std::string& carpeta,
                   const std::string& patron);

}  // namespace velqor::Matrices
