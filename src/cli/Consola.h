#pragma once
// Consola: the three standard streams a command works with, so that tests can run commands
// in-process over string streams.

#include <istream>
#include <ostream>

namespace velqor::cli {

struct Consola {
    std::istream& entrada;  // passwords given with --password-stdin
    std::ostream& salida;   // results
    std::ostream& error;    // diagnostics, one line each
    bool terminal = false;  // entrada is a terminal: a password may be asked for without echo
};

}  // namespace velqor::cli
