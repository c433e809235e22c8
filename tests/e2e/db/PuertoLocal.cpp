#include "PuertoLocal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace velqor::prueba {
namespace {

// A socket bound to 127.0.0.1 on a port the system picks; answers the socket and the port.
int Enlazado(uint16_t& puerto) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) throw std::runtime_error("socket() failed");
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof direccion;
    if (::bind(s, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&direccion), &largo) != 0) {
        ::close(s);
        throw std::runtime_error("bind() failed");
    }
    puerto = ntohs(direccion.sin_port);
    return s;
}

}  // namespace

uint16_t PuertoLibre() {
    uint16_t puerto = 0;
    ::close(Enlazado(puerto));
    return puerto;
}

OyenteMudo::OyenteMudo() {
    socket_ = Enlazado(puerto_);
    if (::listen(socket_, 8) != 0) {
        ::close(socket_);
        throw std::runtime_error("listen() failed");
    }
}

OyenteMudo::~OyenteMudo() { ::close(socket_); }

}  // namespace velqor::prueba
