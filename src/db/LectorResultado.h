#pragma once
// Reads the current result set of an executed statement, every row of it, into a RecordsetLeido.

#include <sql.h>

#include <memory>

#include "db/RecordsetLeido.h"

namespace velqor::db {

// Reads all rows of the result set the statement is positioned on (it has `columnas` > 0
// columns). Throws ErrorOdbc with the statement's diagnostics when a fetch fails. The statement
// is left at the end of that result set, with no columns bound.
std::unique_ptr<RecordsetLeido> LeeResultado(SQLHSTMT sentencia, SQLSMALLINT columnas);

}  // namespace velqor::db
