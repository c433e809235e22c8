#pragma once
// ProgramaVentana: a start of velqor that may show the window. It chooses the window platform
// (falling back to offscreen when a start that names a file cannot reach its display), installs the
// message box, loads the window and runs it until it closes. Built into the module that velqor
// loads only when a window may be shown.

namespace velqor::ventana {

// Runs the start for the process's arguments and answers the process exit code (see CodigoSalida).
// Called only when DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM is set.
int EjecutaVentana(int argc, char** argv);

}  // namespace velqor::ventana
