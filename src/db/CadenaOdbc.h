#pragma once
// Building the connection string handed to the ODBC driver.

#include <string>

namespace velqor::db {

// The connection string with UID and PWD appended for a non-empty user and password. Each value
// is enclosed in braces with any '}' doubled, so ';', '=' and braces in it are taken literally.
std::string ConCredenciales(std::string cadena, const std::string& usuario, const std::string& clave);

}  // namespace velqor::db
