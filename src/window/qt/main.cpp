#include "window/qt/Programa.h"

int main(int argc, char** argv) { return velqor::ventana::EjecutaPrograma(argc, argv); }
