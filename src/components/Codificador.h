#pragma once
// Codificador: keyed coding with OpenSSL libcrypto. The key text is always the company name.
// Launch configuration files are authenticated-encrypted (docs/launch-config.md); application
// passwords are stored as keyed hashes; connection-definition passwords are stored encrypted
// (docs/cfp-format.md).

#include <string>

#include "common/Valor.h"

namespace velqor::Codificador {

// The key of launch configuration files and connection-definition passwords: this installation's
// (LlaveInstalacion) when it has one, else the key every copy of the program shares, derived from
// the key text. A file or value is read under each of this installation's keys, then the shared
// one; GCM authentication tells which one it was written under, so the formats carry no mark of it.

// How a file or value written by this component was read.
enum class Lectura {
    Leido,            // under a key of this installation (or the shared one, when there is none)
    LlaveCompartida,  // under the shared key although this installation has its own: rewrite it
    OtraInstalacion,  // well formed, but no key here opens it: another installation's, or altered
    Ilegible,         // missing, too large, cut short or not of this program's format
};

// True for the two readings that gave the contents back.
bool Abre(Lectura lectura);
// Why a file or value could not be read, as a phrase ("written for another installation: ..."),
// empty when it was.
std::string Motivo(Lectura lectura);
// The warning for a file read with Lectura::LlaveCompartida: what it means and how to rewrite it
// (velqor-config rekey ruta).
std::string AvisoLlaveCompartida(const std::string& ruta);

// Writes the list (any Valor kinds the array text knows) to ruta, encrypted and authenticated
// with a key derived from the installation's key (or clave) and a fresh random salt and nonce. The
// file is replaced atomically and left readable by its owner only (0600). False when the list
// cannot be written (a Currency value, for instance) or the file cannot be replaced; an existing
// file is then unchanged. Also false when the installation's key is damaged. The flag has no
// effect.
bool GuardaArchivo(const std::string& clave, const Lista& valores, const std::string& ruta,
                   bool flag);

// Reads a file written by GuardaArchivo with the same clave into valores (kinds preserved, numbers
// to 15 significant digits). False for a missing, truncated, tampered, oversized (over 1 MB) or
// foreign file; valores is then untouched. Never throws. The flag has no effect.
bool LeeArchivo(const std::string& clave, const std::string& ruta, Lista& valores, bool flag);
// The same read, telling under which key it succeeded or why it failed; valores is replaced only
// when Abre(result).
Lectura LeeArchivoConLlave(const std::string& clave, const std::string& ruta, Lista& valores);

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
// random nonce, the AES-256-GCM ciphertext and its tag, under a key derived from the installation's
// key (or clave). Two calls give different texts for the same password. Empty when libcrypto fails
// or the installation's key is damaged.
std::string CifraClave(const std::string& clave, const std::string& contrasena);
// Reads a text made by CifraClave with the same clave into contrasena. False, with contrasena
// untouched, when the text lacks "enc:", is not Base64, is cut short, was altered or was made with
// another key.
bool DescifraClave(const std::string& clave, const std::string& cifrada, std::string& contrasena);
// The same, telling under which key it succeeded or why it failed.
Lectura DescifraClaveConLlave(const std::string& clave, const std::string& cifrada,
                              std::string& contrasena);

}  // namespace velqor::Codificador
