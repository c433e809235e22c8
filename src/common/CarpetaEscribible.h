#pragma once
// CarpetaEscribible: whether files can be written into a folder, and why not, in the system's own
// words (the text of the errno the system gave). Never throws.

#include <string>

namespace velqor {

// Empty when carpeta is an existing folder this process may create files in; otherwise the
// system's reason ("No such file or directory", "Not a directory", "Permission denied", ...).
std::string MotivoNoEscribible(const std::string& carpeta);

// The folder nearest to carpeta that exists (carpeta itself, or one of its parents; "." stands for
// a relative path's start); empty when none can be found.
std::string AntecesorExistente(const std::string& carpeta);

// Creates carpeta and its missing parents. True when it exists afterwards; otherwise false with the
// system's reason in motivo.
bool CreaCarpeta(const std::string& carpeta, std::string& motivo);

// The system's text for the error number numero ("No such file or directory" for ENOENT).
std::string TextoErrno(int numero);

}  // namespace velqor
