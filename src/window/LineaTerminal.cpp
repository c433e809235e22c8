#include "window/LineaTerminal.h"

namespace velqor::ventana {

namespace {
// Back to the line's start; erase from the cursor to the end of the line.
constexpr const char* kInicio = "\r";
constexpr const char* kBorraResto = "\x1b[K";
}  // namespace

void LineaTerminal::Escribe(const std::string& texto) {
    if (escrita_ && texto == mostrado_) return;
    salida_ << kInicio << texto << kBorraResto << std::flush;
    mostrado_ = texto;
    escrita_ = true;
}

void LineaTerminal::Borra() {
    if (!escrita_) return;
    salida_ << kInicio << kBorraResto << std::flush;
    mostrado_.clear();
    escrita_ = false;
}

}  // namespace velqor::ventana
