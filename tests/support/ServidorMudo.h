#pragma once
// ServidorMudo: a server on a free loopback port that takes connections and never answers, so a
// login waits until the client gives up or is stopped. The socket closes with the object.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace velqor::prueba {

class ServidorMudo {
  public:
    ServidorMudo() : escucha_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in direccion{};
        direccion.sin_family = AF_INET;
        direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t largo = sizeof direccion;
        if (escucha_ >= 0 &&
            ::bind(escucha_, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion) == 0 &&
            ::listen(escucha_, 4) == 0 &&
            ::getsockname(escucha_, reinterpret_cast<sockaddr*>(&direccion), &largo) == 0) {
            puerto_ = ntohs(direccion.sin_port);
        }
    }
    ~ServidorMudo() {
        if (escucha_ >= 0) ::close(escucha_);
    }
    ServidorMudo(const ServidorMudo&) = delete;
    ServidorMudo& operator=(const ServidorMudo&) = delete;

    // The port it listens on; 0 when it could not listen.
    uint16_t Puerto() const { return puerto_; }

  private:
    int escucha_;
    uint16_t puerto_ = 0;
};

}  // namespace velqor::prueba
