#pragma once
// Whole-file byte operations (no code page conversion); each answers false on any failure and
// never throws.

#include <string>
#include <string_view>

namespace velqor {

// Replaces the file at ruta with bytes. The bytes go to a fresh file beside it that is then renamed
// over it, so a failed write leaves the old file as it was; an existing file's permissions are
// kept. A missing folder is not created.
bool ReemplazaArchivo(const std::string& ruta, std::string_view bytes);

// Appends bytes to the file at ruta, creating it when missing.
bool AnexaArchivo(const std::string& ruta, std::string_view bytes);

// Reads the whole file at ruta into bytes.
bool LeeArchivo(const std::string& ruta, std::string& bytes);

}  // namespace velqor
