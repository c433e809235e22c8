#pragma once
// Programa: the start of the velqor process. A run from a readable launch configuration, and any
// start on a machine without a display, runs here without a window toolkit: the form drives a
// view that shows nothing, SIGTERM and SIGINT ask an unattended run to stop, and its progress goes
// to standard error when that is a terminal. Every other start hands over to the window part, a
// module loaded only then, so a run nobody sees never loads a toolkit.

#include <functional>
#include <string>

namespace velqor::ventana {

class frmReindexador;
class VistaReindexador;

// The entry of the window part: runs a start that may show the window and answers the exit code.
using EntradaVentana = int (*)(int argc, char** argv);
// The name of the window part's entry function in its module.
inline constexpr const char* kEntradaVentana = "velqor_ejecuta_ventana";

// Runs the program for the process's arguments and answers its exit code (see CodigoSalida).
// moduloVentana is the path of the window part's file relative to the program's folder.
int EjecutaPrograma(int argc, char** argv, const char* moduloVentana);

// Everything after the program's name, as one text.
std::string LineaComandos(int argc, char** argv);
// True when the environment variable is set and not empty.
bool VariableDefinida(const char* variable);
// What a start says when nobody could see the window and nothing was given to run.
extern const char* const kSinPantalla;

// Ends a start whose Form_Load has run. sesion lets the operator work with the window and returns
// once it has closed; empty when nobody is there, and then a start that stopped on an error with
// the window still open closes it and ends with kSalidaPaseFallido. Tells standard error why a
// refused start was refused, and answers the exit code.
int TerminaArranque(frmReindexador& form, VistaReindexador& vista, bool abierta,
                    const std::function<void()>& sesion);

}  // namespace velqor::ventana
