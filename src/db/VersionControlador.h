#pragma once
// What the installed ODBC driver can do about encryption.

#include <string>

namespace velqor::db {

// False when `controlador` (a registered driver name or a library path) is a FreeTDS older than
// 1.4, which knows no strict (TDS 8) encryption and silently takes Encryption=strict for
// "require"; `version` then holds its version ("1.3.17"). True for any other driver, and when the
// version cannot be found out (the driver then decides).
bool ConoceStrict(const std::string& controlador, std::string& version);

}  // namespace velqor::db
