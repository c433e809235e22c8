#pragma once
// A canned TDS 7.4 server on a loopback port for value kinds sqlsim does not produce (bit,
// datetime, bigint, decimal, nvarchar(max)): it accepts any login and answers every SQL batch
// with the same token stream (and, when asked, then closes the connection: a link lost mid-answer).

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velqor::prueba {

class RespondedorTds {
public:
    // `respuesta`: the tokens sent back for every batch (COLMETADATA, rows, DONE); with
    // `cortaTrasLote` the connection is closed right after them.
    explicit RespondedorTds(std::string respuesta, bool cortaTrasLote = false);
    ~RespondedorTds();
    RespondedorTds(const RespondedorTds&) = delete;
    RespondedorTds& operator=(const RespondedorTds&) = delete;
    uint16_t Puerto() const { return puerto_; }

private:
    void Atiende();
    bool Sesion(int cliente);

    std::string respuesta_;
    bool cortaTrasLote_ = false;
    int socket_ = -1;
    uint16_t puerto_ = 0;
    std::atomic<bool> parar_{false};
    std::thread hilo_;
};

// Token builders (TDS 7.2+ layouts), little-endian as the protocol wants.
namespace tds {
std::string U16(uint16_t v);
std::string U32(uint32_t v);
std::string Utf16(const std::u16string& texto);
// COLMETADATA for columns given as (name, TYPE_INFO bytes).
std::string Columnas(const std::vector<std::pair<std::u16string, std::string>>& columnas);
// DONE with the COUNT bit and `filas`.
std::string Fin(uint64_t filas);
}  // namespace tds

}  // namespace velqor::prueba
