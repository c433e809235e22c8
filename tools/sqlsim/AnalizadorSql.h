#pragma once
// The statement parser: a pure function from a batch's text to its parsed statements or to the
// compile errors SQL Server would report for it. No state, no I/O: safe to call from a fuzz target.

#include <string_view>

#include "Sentencia.h"

namespace velqor::sqlsim {

// Parses a whole batch. Never throws for any input; a batch that does not parse comes back with
// no statements and SQL Server's errors (102 and 105 class 15, 2526 class 16 for an unknown DBCC).
Lote AnalizaLote(std::string_view texto);

}  // namespace velqor::sqlsim
