#pragma once
// Codificador: keyed coding with OpenSSL libcrypto. The key text is always the company name.
// Launch configuration files are authenticated-encrypted (docs/launch-config.md); passwords are
// stored as keyed hashes.

#include <string>

#include "common/Valor.h"

namespace velqor::Codificador {

// Writes the list (any Valor kinds the array text knows) to ruta, encrypted and authenticated
// with a key derived from clave; the file is created readable by its owner only (0600).
// False when the list cannot be written or the file cannot be replaced.
bool GuardaArchivo(const std::string& clave, const Lista& valores, const std::string& ruta,
                   bool flag);

// Reads a file written by GuardaArchivo with the same clave into valores (kinds preserved).
// False for a missing, truncated, tampered or foreign file; valores is then untouched.
bool LeeArchivo(const std::string& clave, const std::string& ruta, Lista& valores, bool flag);

// The stored form of a password (the caller upper-cases it first): a keyed hash of texto under clave,
// printable ASCII, the same for the same inputs on every machine.
std::string Cifra(const std::string& clave, const std::string& texto);

// Reveals a short text hidden with Oculta under the same clave (used for the cloud marker).
std::string Descifra(const std::string& clave, const std::string& oculto);
// The inverse of Descifra: hides texto so that Descifra(clave, Oculta(clave, texto)) == texto.
// The hidden form has as many characters as texto (hex is not used: it is a byte-for-byte mask).
std::string Oculta(const std::string& clave, const std::string& texto);

}  // namespace velqor::Codificador
