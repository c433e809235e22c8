// The entry of the window module, which velqor looks up by this name (kEntradaVentana in
// window/Programa.h) only when a window may be shown.

#include "window/qt/ProgramaVentana.h"

extern "C" __attribute__((visibility("default"))) int velqor_ejecuta_ventana(int argc,
                                                                             char** argv) {
    return velqor::ventana::EjecutaVentana(argc, argv);
}
