#pragma once
// Utilidades: small file and text services. The dialog services (SeleccionaCarpeta, DialogoGuardar,
// AbreArchivo) belong to the window's view, since they need a window toolkit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// The whole content of the regular file ruta into bytes. False, with bytes untouched, when the file
// is missing, is not a regular file, cannot be read or holds more than maximo bytes.
bool LeeArchivoLimitado(const std::string& ruta, std::size_t maximo, std::string& bytes);

// Replaces ruta with bytes atomically (a temporary file in the same folder, flushed, then renamed
// over ruta), readable and writable by its owner only (0600) even when ruta existed with other
// permissions. False when the folder is missing or not writable or ruta is a folder; ruta is then
// unchanged and no temporary file is left behind.
bool GrabaArchivoPrivado(const std::string& ruta, std::string_view bytes);

}  // namespace velqor::Utilidades
