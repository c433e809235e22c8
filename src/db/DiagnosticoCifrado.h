#pragma once
// Why an encrypted login failed. The ODBC drivers report every failure of the encryption
// handshake with the same generic text, so after a failed login the server is asked again, by the
// rules of TDS 7.x: a PRELOGIN, then, where the server offers encryption, a TLS handshake carried
// in PRELOGIN packets that checks the certificate as the definition asks.

#include <cstdint>
#include <string>

namespace velqor::db {

struct PeticionCifrado {
    std::string host;
    uint16_t puerto = 1433;
    std::string nivel;      // Encrypt as the definition writes it: "", "no", "yes" or "strict"
    std::string archivoCA;  // empty: the system's trusted certificates
    bool confiaCertificado = false;
};

// One English sentence saying what about encryption stopped the login and what to change, or an
// empty text when encryption is not the cause or the server cannot be reached. Each network step
// waits at most `segundos`. Never throws.
std::string MotivoFalloCifrado(const PeticionCifrado& peticion, int segundos);

}  // namespace velqor::db
