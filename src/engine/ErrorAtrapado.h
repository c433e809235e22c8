#pragma once
// ErrorAtrapado: the number and description of an error caught at an operation's boundary,
// as the engine words it in reports, progress texts and the error log.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "db/Connection.h"

namespace velqor {

struct ErrorAtrapado {
    int32_t numero = 0;
    std::string descripcion;

    // True when the failure came from the provider (a refusal, a refused login or a lost link), which publishes its
    // own diagnostics in the connection's Errors(); any other failure leaves there those of an
    // earlier statement, which do not describe it.
    bool DelProveedor() const;

    // A run-time error keeps its own number and description; running out of memory is error 7;
    // any other failure is error 51 ("Internal error") with the exception's text.
    static ErrorAtrapado De(const std::exception& e);
};

// InformaError with the diagnostics conn holds of its last failing call; none when conn is null.
void InformaError(int32_t numero, std::string_view descripcion, const db::Connection* conn,
                  std::string_view textoAlternativo, bool silencioso, std::string_view contexto);

}  // namespace velqor
