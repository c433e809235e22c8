#pragma once
// ErrorAtrapado: the number and description of an error caught at an operation's boundary,
// as the engine words it in reports, progress texts and the error log.

#include <cstdint>
#include <exception>
#include <string>

namespace velqor {

struct ErrorAtrapado {
    int32_t numero = 0;
    std::string descripcion;

    // A run-time error keeps its own number and description; running out of memory is error 7;
    // any other failure is error 51 ("Internal error") with the exception's text.
    static ErrorAtrapado De(const std::exception& e);
};

}  // namespace velqor
