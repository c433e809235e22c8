#pragma once
// Codificador: keyed coding with OpenSSL libcrypto. The key text is always the company name.
// Launch configuration files are authenticated-encrypted (docs/launch-config.md); application
// passwords are stored as keyed hashes; connection-definition passwords are stored encrypted
// (docs/cfp-format.md).

#include <string>

#include "common/Valor.h"

namespace velqor::Codificador {

// Writes the list (any Valor kinds the array text knows) to ruta, encrypted and authenticated
// with a key derived from clave and a fresh random salt and nonce. The file is replaced atomically
// and left readable by its owner only (0600). False when the list cannot be written (a Currency
// value, for instance) or the file cannot be replaced; an existing file is then unchanged.
// The flag has no effect.
bool GuardaArchivo(const std::string& clave, const Lista& valores, const std::string& ruta,
                   bool flag);

// Reads a file written by GuardaArchivo with the same clave into valores (kinds preserved, numbers
// to 15 significant digits). False for a missing, truncated, tampered, oversized (over 1 MB) or
// foreign file; valores is then untouched. Never throws. The flag has no effect.
bool LeeArchivo(const std::string& clave, const std::string& ruta, Lista& valores, bool flag);

// The stored form of a password (the caller upper-cases it first): HMAC-SHA256 of texto's UTF-8
// bytes under a key derived from clave, as 64 upper-case hexadecimal digits; the same for the same
// inputs on every machine. Throws ErrorEjecucion only when libcrypto fails.
std::string Cifra(const std::string& clave, const std::string& texto);

// Reveals a short text hidden with Oculta under the same clave (used for the cloud marker).
// Throws ErrorEjecucion only when libcrypto fails.
std::string Descifra(const std::string& clave, const std::string& oculto);
// The inverse of Descifra: hides texto so that Descifra(clave, Oculta(clave, texto)) == texto.
// The hidden form has as many bytes as texto (hex is not used: it is a byte-for-byte mask).
std::string Oculta(const std::string& clave, const std::string& texto);

// The program's stored, hidden form of the cloud marker (12 bytes): Descifra with the company name
// reveals "database.win", the text found in the names of cloud database servers
// ("myserver.database.windows.net").
std::string MarcaNubeOculta();

// The stored form of a connection password for a ".cfp" file: "enc:" and the Base64 of a fresh
// random nonce, the AES-256-GCM ciphertext and its tag, under a key derived from clave. Two calls
// give different texts for the same password. Empty only when libcrypto fails.
std::string CifraClave(const std::string& clave, const std::string& contrasena);
// Reads a text made by CifraClave with the same clave into contrasena. False, with contrasena
// untouched, when the text lacks "enc:", is not Base64, is cut short, was altered or was made with
// another key.
bool DescifraClave(const std::string& clave, const std::string& cifrada, std::string& contrasena);

}  // namespace velqor::Codificador
