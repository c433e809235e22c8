#pragma once
// The ODBC implementation of Connection (unixODBC + FreeTDS here, Microsoft's driver elsewhere).

#include <memory>

#include "db/Connection.h"

namespace velqor::db {

// A new, closed ODBC connection.
std::unique_ptr<Connection> NuevaConexionOdbc();

}  // namespace velqor::db
