#pragma once
// Loopback sockets for tests of connection failures: a port nobody listens on, and a listener
// that takes connections but never says a word.

#include <cstdint>

namespace velqor::prueba {

// A loopback port that was free a moment ago (bound, then released).
uint16_t PuertoLibre();

// Listens on a loopback port; the kernel completes the TCP handshake, nothing is ever answered.
class OyenteMudo {
public:
    OyenteMudo();
    ~OyenteMudo();
    OyenteMudo(const OyenteMudo&) = delete;
    OyenteMudo& operator=(const OyenteMudo&) = delete;
    uint16_t Puerto() const { return puerto_; }

private:
    int socket_ = -1;
    uint16_t puerto_ = 0;
};

}  // namespace velqor::prueba
