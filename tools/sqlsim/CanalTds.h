#pragma once
// One client socket speaking TDS: reassembles the client's messages from packets and cuts
// responses into packets of the negotiated size. Owns the socket.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "CanalTls.h"

namespace velqor::sqlsim {

struct MensajeTds {
    uint8_t tipo =
        0;  // 0x01 batch, 0x03 RPC, 0x06 attention, 0x0E transaction, 0x10 login, 0x12 prelogin
    std::string datos;
};

class CanalTds {
  public:
    explicit CanalTds(int fd);
    ~CanalTds();
    CanalTds(const CanalTds&) = delete;
    CanalTds& operator=(const CanalTds&) = delete;

    // The next whole message; nullopt when the client closed the connection or broke the framing.
    std::optional<MensajeTds> Lee();

    enum class Espera { Tiempo, Atencion, Cerrado };
    // Waits up to `ms` (< 0: without limit) for an ATTENTION; other messages are kept for Lee().
    Espera EsperaAtencion(int ms);

    // Sends a response (type 0x04, or `tipo`) cut into packets, the last one marked end-of-message.
    bool Envia(std::string_view tokens, uint8_t tipo = 0x04);

    // Runs the server side of a TLS handshake carried in PRELOGIN packets; from then on every
    // byte read or written goes through the session. False when the handshake fails.
    bool IniciaTls(const ContextoTls& contexto);
    // Back to clear text (after a login-only encryption).
    void DejaTls() { tls_.reset(); }
    void FijaTamPaquete(size_t tam) { tamPaquete_ = tam; }

    // Ends the connection at once (both directions); further reads and writes fail.
    void Corta();
    int Descriptor() const { return fd_; }

  private:
    int fd_;
    size_t tamPaquete_ = 4096;
    std::deque<MensajeTds> pendientes_;
    std::unique_ptr<CanalTls> tls_;
    std::string claro_;  // bytes already decrypted and not yet read

    bool EscribeTodo(std::string_view bytes);

    std::optional<MensajeTds> LeeDelSocket();
    bool LeeExacto(char* destino, size_t n);
};

}  // namespace velqor::sqlsim
