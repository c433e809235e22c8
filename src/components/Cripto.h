#pragma once
// Cripto: the few OpenSSL libcrypto primitives the components use, over byte strings. Internal to
// the components library; the constructions built from them are described in docs/launch-config.md
// and docs/cfp-format.md. No operation throws; failures answer false or an empty result.

#include <cstddef>
#include <string>
#include <string_view>

namespace velqor::cripto {

inline constexpr std::size_t kLargoClave = 32;     // AES-256 and HMAC-SHA256 keys
inline constexpr std::size_t kLargoNonce = 12;     // AES-GCM nonce
inline constexpr std::size_t kLargoEtiqueta = 16;  // AES-GCM tag

// The fixed HKDF salt of the derivations that have no per-file salt.
inline constexpr std::string_view kSalFija = "Velqor.salt.v1..";

// HKDF-SHA256 of the key text (its UTF-8 bytes) with the given salt and purpose label (the info);
// 32 bytes, or empty when libcrypto fails.
std::string DerivaClave(std::string_view clave, std::string_view sal, std::string_view uso);

// HKDF-SHA256 of the input key material (raw bytes, not empty) with the given salt and purpose
// label; 32 bytes, or empty when libcrypto fails.
std::string DerivaDeMaterial(std::string_view material, std::string_view sal, std::string_view uso);

// n bytes from the system's random source; empty when it fails.
std::string BytesAleatorios(std::size_t n);

// AES-256-GCM: the ciphertext followed by the 16-byte tag; aad is authenticated, not encrypted.
bool CifraGcm(std::string_view llave, std::string_view nonce, std::string_view aad,
              std::string_view claro, std::string& cifradoYEtiqueta);
// The inverse; false when the tag does not verify (tampered data, another key or nonce, other aad).
bool DescifraGcm(std::string_view llave, std::string_view nonce, std::string_view aad,
                 std::string_view cifradoYEtiqueta, std::string& claro);

// HMAC-SHA256 of datos under llave (32 bytes), or empty when libcrypto fails.
std::string Hmac(std::string_view llave, std::string_view datos);

// datos XORed with the AES-256-CTR keystream of llave from a zero counter: as many bytes as datos;
// applying it twice gives datos back. Empty when libcrypto fails and datos is not empty.
std::string Mascara(std::string_view llave, std::string_view datos);

// Standard Base64 with padding, on one line.
std::string ABase64(std::string_view bytes);
// Reads standard padded Base64 (no blanks or line ends); false on any other character or length.
bool DeBase64(std::string_view texto, std::string& bytes);

// Upper-case hexadecimal, two digits per byte.
std::string AHex(std::string_view bytes);

}  // namespace velqor::cripto
