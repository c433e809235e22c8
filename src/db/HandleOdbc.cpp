#include "db/HandleOdbc.h"

#include <utility>

#include "db/ErrorOdbc.h"

namespace velqor::db {

HandleOdbc::HandleOdbc(SQLSMALLINT tipo, SQLHANDLE padre) : tipo_(tipo) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(tipo, padre, &handle_))) {
        handle_ = SQL_NULL_HANDLE;
        const SQLSMALLINT tipoPadre = tipo == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
        auto registros = padre == SQL_NULL_HANDLE ? std::vector<ErrorProveedor>{}
                                                  : LeeDiagnosticos(tipoPadre, padre);
        if (registros.empty()) registros.push_back({0, "Cannot allocate an ODBC handle.", "HY001"});
        throw ErrorOdbc(errores::kFalloGeneral, std::move(registros));
    }
}

HandleOdbc::~HandleOdbc() { Libera(); }

HandleOdbc::HandleOdbc(HandleOdbc&& otro) noexcept
    : tipo_(otro.tipo_), handle_(std::exchange(otro.handle_, SQLHANDLE{})) {}

HandleOdbc& HandleOdbc::operator=(HandleOdbc&& otro) noexcept {
    if (this != &otro) {
        Libera();
        tipo_ = otro.tipo_;
        handle_ = std::exchange(otro.handle_, SQLHANDLE{});
    }
    return *this;
}

void HandleOdbc::Libera() noexcept {
    if (handle_ == SQL_NULL_HANDLE) return;
    if (tipo_ == SQL_HANDLE_DBC) SQLDisconnect(handle_);  // fails harmlessly when not connected
    SQLFreeHandle(tipo_, handle_);
    handle_ = SQL_NULL_HANDLE;
}

}  // namespace velqor::db
