#pragma once
// HandleOdbc: owns one ODBC handle (environment, connection or statement) and frees it when it
// ends; a connection handle is disconnected first.

#include <sql.h>

namespace velqor::db {

class HandleOdbc {
public:
    HandleOdbc() = default;
    // Allocates a handle of `tipo` under `padre` (SQL_NULL_HANDLE for an environment). Throws
    // ErrorOdbc with the parent's diagnostics when the driver refuses.
    HandleOdbc(SQLSMALLINT tipo, SQLHANDLE padre);
    ~HandleOdbc();
    HandleOdbc(HandleOdbc&& otro) noexcept;
    HandleOdbc& operator=(HandleOdbc&& otro) noexcept;
    HandleOdbc(const HandleOdbc&) = delete;
    HandleOdbc& operator=(const HandleOdbc&) = delete;

    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    // Frees the handle now (disconnecting a connection first); harmless when there is none.
    void Libera() noexcept;

private:
    SQLSMALLINT tipo_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace velqor::db
