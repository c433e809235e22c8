#include "db/ErrorOdbc.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>

#include "db/ErroresAdo.h"
#include "db/Utf16.h"

namespace velqor::db {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16 units");

std::string DescripcionDe(const std::vector<ErrorProveedor>& registros) {
    return registros.empty() ? std::string(ado::kTextoSinDiagnostico)
                             : registros.front().Description;
}

bool Alguno(const std::vector<ErrorProveedor>& registros, auto condicion) {
    return std::any_of(registros.begin(), registros.end(), condicion);
}

bool EsDeEnlace(const ErrorProveedor& e) { return e.SqlState.starts_with("08"); }

}  // namespace

ErrorOdbc::ErrorOdbc(int32_t numero, std::vector<ErrorProveedor> registros)
    : ErrorEjecucion(numero, DescripcionDe(registros)), registros_(std::move(registros)) {}

bool ErrorOdbc::EnlacePerdido() const { return Alguno(registros_, EsDeEnlace); }

std::vector<ErrorProveedor> LeeDiagnosticos(SQLSMALLINT tipo, SQLHANDLE handle) {
    std::vector<ErrorProveedor> registros;
    std::u16string texto(512, u'\0');
    for (SQLSMALLINT numero = 1;; ++numero) {
        SQLWCHAR estado[6] = {};
        SQLINTEGER nativo = 0;
        SQLSMALLINT largo = 0;
        auto lee = [&] {
            return SQLGetDiagRecW(tipo, handle, numero, estado, &nativo,
                                  reinterpret_cast<SQLWCHAR*>(texto.data()),
                                  static_cast<SQLSMALLINT>(texto.size()), &largo);
        };
        SQLRETURN rc = lee();
        if (rc == SQL_SUCCESS_WITH_INFO && largo >= static_cast<SQLSMALLINT>(texto.size())) {
            texto.assign(static_cast<std::size_t>(largo) + 1, u'\0');
            rc = lee();
        }
        if (!SQL_SUCCEEDED(rc)) break;
        const auto unidades = std::min<std::size_t>(
            static_cast<std::size_t>(std::max<SQLSMALLINT>(largo, 0)), texto.size() - 1);
        ErrorProveedor registro;
        registro.NativeError = nativo;
        registro.Description = AUtf8(std::u16string_view(texto.data(), unidades));
        registro.SqlState =
            AUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(estado), 5));
        registros.push_back(std::move(registro));
    }
    return registros;
}

ErrorOdbc ErrorDeSentencia(SQLHSTMT sentencia) {
    auto registros = LeeDiagnosticos(SQL_HANDLE_STMT, sentencia);
    int32_t numero = errores::kErrorProveedor;
    if (Alguno(registros, EsDeEnlace))
        numero = errores::kFalloGeneral;
    else if (Alguno(registros, [](const ErrorProveedor& e) { return e.SqlState == "HYT00"; }))
        numero = ado::kTiempoAgotado;
    return ErrorOdbc(numero, std::move(registros));
}

ErrorOdbc ErrorDeLogin(SQLHDBC conexion) {
    auto registros = LeeDiagnosticos(SQL_HANDLE_DBC, conexion);
    const bool rechazado = Alguno(registros, [](const ErrorProveedor& e) {
        return e.NativeError == 18456 || e.SqlState == "28000";
    });
    return ErrorOdbc(rechazado ? ado::kLoginRechazado : errores::kFalloGeneral,
                     std::move(registros));
}

}  // namespace velqor::db
