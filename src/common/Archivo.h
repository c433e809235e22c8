#pragma once
// Whole-file byte operations (no code page conversion); each answers false (or an empty path) on
// any failure and never throws. Every file the program replaces or creates goes through here, so
// that a power cut leaves either the old file or the new one, never a part of it.

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>

namespace velqor {

// The permissions a replaced file receives.
enum class Permisos {
    Conservar,  // those of the file it replaces (a new file gets the default ones)
    Privados,   // readable and writable by its owner only (0600)
};

// Checks the bytes written under a temporary name (the path given) before they replace the
// target; false leaves the target as it was.
using RevisaTemporal = std::function<bool(const std::string& temporal)>;

// Replaces the file at ruta with bytes: they go to a temporary file in the same folder (named
// ".<name>.~<pid>_<n>" followed by sufijo), which is flushed to disk, renamed over ruta, and the
// folder is flushed. Temporaries in that folder left by a process that no longer runs are removed
// first.
// A missing folder is not created. False, with ruta untouched and no temporary left, when the
// folder cannot be written, ruta is a folder, ruta is read-only (no write permission for anybody,
// or none for this user) or revisa refused the bytes.
bool ReemplazaArchivo(const std::string& ruta, std::string_view bytes,
                      Permisos permisos = Permisos::Conservar, const RevisaTemporal& revisa = {},
                      std::string_view sufijo = {});

// ReemplazaArchivo of the bytes of partes one after the other, written without joining them.
bool ReemplazaArchivoPorPartes(const std::string& ruta,
                               std::initializer_list<std::string_view> partes);

// True when no process with this pid runs any more (not this process, nor one that runs under
// another user): what a file named after it was left by.
bool ProcesoTerminado(long pid);

// True when nombre (without folder) is one of the temporaries ReemplazaArchivo and
// CreaArchivoNuevo write: such a file is never a document of its own.
bool EsTemporal(const std::string& nombre);

// Creates a new file holding bytes, flushed (and cleaning up) like ReemplazaArchivo, named
// base + extension, or
// base + "_2" + extension, "_3", ... when that name is taken: it never replaces a file. Answers the
// path written, or empty when nothing could be written.
std::string CreaArchivoNuevo(const std::string& base, const std::string& extension,
                             std::string_view bytes);

// Appends bytes to the file at ruta, creating it when missing.
bool AgregaArchivo(const std::string& ruta, std::string_view bytes);

// Reads the whole regular file at ruta into bytes. False, with bytes untouched, when the file is
// missing, is not a regular file, cannot be read or holds more than maximo bytes.
bool LeeArchivo(const std::string& ruta, std::string& bytes,
                std::size_t maximo = std::numeric_limits<std::size_t>::max());

// True when the file at ruta may be read by users other than its owner (its group or others).
bool LegiblePorOtros(const std::string& ruta);

}  // namespace velqor
