#include "Servidor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Sesion.h"

namespace velqor::sqlsim {

Servidor::Servidor(const Escenario& escenario, Diario& diario, uint16_t puerto)
    : esc_(escenario), estado_(escenario), diario_(diario) {
    if (esc_.cifrado.postura != CifradoEsc::Postura::No) {
        tls_ = std::make_unique<ContextoTls>(esc_.cifrado.certificado, esc_.cifrado.clavePrivada);
    }
    int tubo[2];
    if (::pipe2(tubo, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    avisoLectura_ = tubo[0];
    avisoEscritura_ = tubo[1];
    escucha_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (escucha_ < 0) throw std::runtime_error("socket failed");
    const int si = 1;
    ::setsockopt(escucha_, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_port = htons(puerto);
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(escucha_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 ||
        ::listen(escucha_, 64) != 0) {
        const std::string error = std::strerror(errno);
        ::close(escucha_);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(puerto) + ": " +
                                 error);
    }
    socklen_t largo = sizeof dir;
    ::getsockname(escucha_, reinterpret_cast<sockaddr*>(&dir), &largo);
    puerto_ = ntohs(dir.sin_port);
}

Servidor::~Servidor() {
    Detiene();
    Recoge(true);
    ::close(escucha_);
    ::close(avisoLectura_);
    ::close(avisoEscritura_);
}

void Servidor::Detiene() {
    if (detenido_.exchange(true)) return;
    const char c = 1;
    [[maybe_unused]] const auto r = ::write(avisoEscritura_, &c, 1);
}

void Servidor::Sirve() {
    while (!detenido_) {
        pollfd p[2] = {{escucha_, POLLIN, 0}, {avisoLectura_, POLLIN, 0}};
        const int r = ::poll(p, 2, 1000);
        Recoge(false);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0 || !(p[0].revents & POLLIN)) continue;
        const int fd = ::accept4(escucha_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int si = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &si, sizeof si);
        std::lock_guard l(m_);
        Conexion& c = conexiones_.emplace_back();
        c.canal = std::make_unique<CanalTds>(fd);
        const int spid = siguienteSpid_++;
        c.hilo = std::thread([this, &c, spid] {
            Sesion(*c.canal, esc_, tls_.get(), estado_, diario_, spid).Atiende();
            // The client sees the end at once; the descriptor itself is released by Recoge().
            c.canal->Corta();
            c.terminada = true;
        });
    }
    Recoge(true);
}

void Servidor::Recoge(bool todas) {
    std::list<Conexion> terminadas;
    {
        std::lock_guard l(m_);
        for (auto it = conexiones_.begin(); it != conexiones_.end();) {
            if (todas) it->canal->Corta();
            if (todas || it->terminada) {
                auto siguiente = std::next(it);
                terminadas.splice(terminadas.end(), conexiones_, it);
                it = siguiente;
            } else {
                ++it;
            }
        }
    }
    for (Conexion& c : terminadas) c.hilo.join();
}

}  // namespace velqor::sqlsim
