#pragma once
// Building the connection string handed to the ODBC driver.

#include <string>

namespace velqor::db {

// The connection string with UID and PWD appended for a non-empty user and password, each value
// enclosed in braces so that ';' and '=' in it are taken literally. A '}' in a value is doubled,
// as ODBC asks, except for the FreeTDS driver, whose parser ends a braced value at the first "};"
// and takes every other '}' literally (so a value holding "};" cannot reach FreeTDS intact).
std::string ConCredenciales(std::string cadena, const std::string& usuario,
                            const std::string& clave);

// True when the string's Driver attribute names the FreeTDS driver (by name or library file).
bool EsFreeTds(const std::string& cadena);

}  // namespace velqor::db
