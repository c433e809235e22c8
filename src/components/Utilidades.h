#pragma once
// Utilidades: small file and text services. The dialog services (SeleccionaCarpeta, DialogoGuardar,
// AbreArchivo) belong to the window's view, since they need a window toolkit.

#include <cstdint>
#include <string>

namespace velqor::Utilidades {

// True when ruta names an existing regular file (a link to one counts). atributos is neither read
// nor changed.
bool ExisteArchivo(const std::string& ruta, int32_t& atributos);

// A text usable as a file name made from a definition's name: characters not allowed in file names
// on Windows or here (\ / : * ? " < > | and control characters) become "_"; the same name always
// gives the same text. A name made only of dots (or an empty one) gives as many "_" (at least one).
std::string NombreParaArchivo(const std::string& nombre);

// valor in decimal, left-padded with zeros to ancho digits (7, 2 gives "07"); a negative value
// keeps its "-" in front of the padded digits; more digits than ancho are all kept.
std::string RellenaCeros(int32_t valor, int16_t ancho);

}  // namespace velqor::Utilidades
