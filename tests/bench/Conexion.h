#pragma once
// The connection the benchmark drivers time: opened from a connection definition exactly as a
// maintenance pass opens it.

#include <memory>
#include <string>

#include "db/Connection.h"

namespace velqor::bench {

// The ODBC connection string of carpeta/nombre.cfp, credentials included, as a pass builds it;
// throws when the definition cannot be loaded.
std::string CadenaConexion(const std::string& carpeta, const std::string& nombre);

// An open ODBC connection to the database of carpeta/nombre.cfp; throws when it cannot be loaded
// or opened.
std::unique_ptr<db::Connection> AbreConexion(const std::string& carpeta, const std::string& nombre);

}  // namespace velqor::bench
