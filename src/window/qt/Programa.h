#pragma once
// Programa: the start of the velqor process. It chooses the window platform (offscreen for an
// unattended run, whatever the display, and for a machine without one), lets SIGTERM and SIGINT
// ask an unattended run to stop, installs the message box, loads the window and answers the
// process exit code.

namespace velqor::ventana {

// Runs the program for the process's arguments and answers its exit code (see CodigoSalida).
int EjecutaPrograma(int argc, char** argv);

}  // namespace velqor::ventana
