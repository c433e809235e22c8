#pragma once
// EcoApagado: the terminal on standard input stops echoing what is typed while an object lives, and
// gets its settings back however the wait ends: on return, and when SIGINT, SIGTERM, SIGHUP or
// SIGQUIT end the process (which then ends as the signal's previous disposition says). SIGTSTP
// (Ctrl-Z) stops the process with echo back on and turns it off again when the process continues.
// One object at a time per process.

#include <termios.h>

namespace velqor::cli {

class EcoApagado {
  public:
    // Turns echo off when standard input is a terminal; otherwise does nothing.
    EcoApagado();
    // Puts the terminal's settings and the signals' dispositions back as they were.
    ~EcoApagado();
    EcoApagado(const EcoApagado&) = delete;
    EcoApagado& operator=(const EcoApagado&) = delete;

  private:
    bool activo_ = false;
};

}  // namespace velqor::cli
