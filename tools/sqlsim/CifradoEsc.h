#pragma once
// The server's stance on encryption, as a scenario gives it in "encryption", "certificate" and
// "privateKey" (README.md, Scenario file).

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace velqor::sqlsim {

struct CifradoEsc {
    // No: no certificate, encryption not supported. Si: offered, the client chooses. Exigido:
    // forced, every connection is encrypted whole.
    enum class Postura { No, Si, Exigido };
    Postura postura = Postura::No;
    std::string certificado;   // PEM file
    std::string clavePrivada;  // PEM file

    // The ENCRYPTION byte of the PRELOGIN answer to a client that sent `delCliente`.
    uint8_t Respuesta(uint8_t delCliente) const;
};

// Reads the three fields of the scenario's top level. Throws std::runtime_error naming the field.
CifradoEsc CargaCifrado(const nlohmann::json& escenario);

}  // namespace velqor::sqlsim
