#include "CifradoEsc.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace velqor::sqlsim {
namespace {

constexpr uint8_t kApagado = 0x00;    // ENCRYPT_OFF: the login alone travels encrypted
constexpr uint8_t kEncendido = 0x01;  // ENCRYPT_ON: the whole session
constexpr uint8_t kNoSoportado = 0x02;
constexpr uint8_t kExigido = 0x03;  // ENCRYPT_REQ: the whole session, forced by the server

std::string Texto(const nlohmann::json& j, const char* clave) {
    if (!j.contains(clave)) return "";
    if (!j.at(clave).is_string()) {
        throw std::runtime_error(std::string("scenario: ") + clave + ": a text is expected");
    }
    return j.at(clave).get<std::string>();
}

}  // namespace

uint8_t CifradoEsc::Respuesta(uint8_t delCliente) const {
    const bool clienteSinCifrado = delCliente == kNoSoportado;
    const bool clientePide = delCliente == kEncendido || delCliente == kExigido;
    switch (postura) {
        case Postura::No:
            return kNoSoportado;
        case Postura::Si:
            return clienteSinCifrado ? kNoSoportado : clientePide ? kEncendido : kApagado;
        case Postura::Exigido:
            return clientePide ? kEncendido : kExigido;
    }
    return kNoSoportado;
}

CifradoEsc CargaCifrado(const nlohmann::json& j) {
    CifradoEsc c;
    const std::string postura = Texto(j, "encryption");
    if (postura == "on") {
        c.postura = CifradoEsc::Postura::Si;
    } else if (postura == "required") {
        c.postura = CifradoEsc::Postura::Exigido;
    } else if (!postura.empty() && postura != "off") {
        throw std::runtime_error("scenario: encryption: off, on or required");
    }
    c.certificado = Texto(j, "certificate");
    c.clavePrivada = Texto(j, "privateKey");
    if (c.postura != CifradoEsc::Postura::No && (c.certificado.empty() || c.clavePrivada.empty())) {
        throw std::runtime_error(
            "scenario: encryption: \"on\" and \"required\" need \"certificate\" and "
            "\"privateKey\"");
    }
    return c;
}

}  // namespace velqor::sqlsim
