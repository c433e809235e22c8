#pragma once
// ErrorOdbc: a failed ODBC call, carrying the driver's diagnostic records with it so that the
// connection can publish them in Errors() when the error crosses its boundary.

#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/ErrorEjecucion.h"
#include "db/Connection.h"

namespace velqor::db {

class ErrorOdbc : public ErrorEjecucion {
public:
    // Description: the first record's text, or "Unspecified error" when there is none.
    ErrorOdbc(int32_t numero, std::vector<ErrorProveedor> registros);
    const std::vector<ErrorProveedor>& Registros() const { return registros_; }
    // True when a record says the link to the server is gone (SQLSTATE class 08).
    bool EnlacePerdido() const;

private:
    std::vector<ErrorProveedor> registros_;
};

// Every diagnostic record of a handle, in the driver's order (texts converted to UTF-8).
std::vector<ErrorProveedor> LeeDiagnosticos(SQLSMALLINT tipo, SQLHANDLE handle);

// The error of a failed statement, with its diagnostics: number -2147217900, or the general
// failure for a lost link (SQLSTATE class 08) and the time-out number for HYT00.
ErrorOdbc ErrorDeSentencia(SQLHSTMT sentencia);

// The error of a failed login, with its diagnostics: -2147217843 when the server refused the
// credentials (native 18456 or SQLSTATE 28000), otherwise the general provider failure.
ErrorOdbc ErrorDeLogin(SQLHDBC conexion);

}  // namespace velqor::db
