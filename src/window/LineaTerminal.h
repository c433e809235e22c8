#pragma once
// LineaTerminal: one line of a terminal that is rewritten in place (a carriage return, the text,
// the rest of the old line erased) and cleared at the end, leaving the cursor where it was.

#include <ostream>
#include <string>

namespace velqor::ventana {

class LineaTerminal {
  public:
    // salida must outlive the line; nothing is written before the first Escribe.
    explicit LineaTerminal(std::ostream& salida) : salida_(salida) {}
    LineaTerminal(const LineaTerminal&) = delete;
    LineaTerminal& operator=(const LineaTerminal&) = delete;
    // Clears the line if it still shows something.
    ~LineaTerminal() { Borra(); }

    // Replaces what the line shows by texto (nothing is written when it shows texto already).
    void Escribe(const std::string& texto);
    // Erases the line; nothing is written when it shows nothing.
    void Borra();

  private:
    std::ostream& salida_;
    std::string mostrado_;
    bool escrita_ = false;
};

}  // namespace velqor::ventana
