#include "CanalTds.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace velqor::sqlsim {

CanalTds::CanalTds(int fd) : fd_(fd) {}

CanalTds::~CanalTds() { ::close(fd_); }

void CanalTds::Corta() { ::shutdown(fd_, SHUT_RDWR); }

bool CanalTds::LeeExacto(char* destino, size_t n) {
    if (tls_) {
        while (claro_.size() < n) {
            char trozo[16384];
            const ssize_t r = ::recv(fd_, trozo, sizeof trozo, 0);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0 || !tls_->Descifra(std::string_view(trozo, static_cast<size_t>(r)), claro_))
                return false;
        }
        claro_.copy(destino, n);
        claro_.erase(0, n);
        return true;
    }
    while (n > 0) {
        const ssize_t r = ::recv(fd_, destino, n, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        destino += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

std::optional<MensajeTds> CanalTds::LeeDelSocket() {
    MensajeTds m;
    for (;;) {
        char cabecera[8];
        if (!LeeExacto(cabecera, 8)) return std::nullopt;
        const size_t largo =
            (static_cast<uint8_t>(cabecera[2]) << 8) | static_cast<uint8_t>(cabecera[3]);
        if (largo < 8) return std::nullopt;
        m.tipo = static_cast<uint8_t>(cabecera[0]);
        const size_t antes = m.datos.size();
        m.datos.resize(antes + largo - 8);
        if (!LeeExacto(m.datos.data() + antes, largo - 8)) return std::nullopt;
        if (static_cast<uint8_t>(cabecera[1]) & 0x01) return m;
    }
}

std::optional<MensajeTds> CanalTds::Lee() {
    if (!pendientes_.empty()) {
        MensajeTds m = std::move(pendientes_.front());
        pendientes_.pop_front();
        return m;
    }
    return LeeDelSocket();
}

CanalTds::Espera CanalTds::EsperaAtencion(int ms) {
    using Reloj = std::chrono::steady_clock;
    const auto limite = Reloj::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int resto = -1;
        if (ms >= 0) {
            resto = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(limite - Reloj::now())
                    .count());
            if (resto <= 0) return Espera::Tiempo;
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = tls_ && !claro_.empty() ? 1 : ::poll(&p, 1, resto);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return Espera::Cerrado;
        if (r == 0) return Espera::Tiempo;
        auto m = LeeDelSocket();
        if (!m) return Espera::Cerrado;
        if (m->tipo == 0x06) return Espera::Atencion;
        pendientes_.push_back(std::move(*m));
    }
}

bool CanalTds::IniciaTls(const ContextoTls& contexto) {
    auto tls = std::make_unique<CanalTls>(contexto);
    while (!tls->Terminado()) {
        const auto m = LeeDelSocket();
        std::string respuesta;
        if (!m || m->tipo != 0x12 || !tls->Saludo(m->datos, respuesta)) return false;
        if (!respuesta.empty() && !Envia(respuesta, 0x12)) return false;
    }
    tls_ = std::move(tls);
    claro_.clear();
    return true;
}

bool CanalTds::EscribeTodo(std::string_view bytes) {
    std::string cifrado;
    if (tls_) {
        cifrado = tls_->Cifra(bytes);
        bytes = cifrado;
    }
    size_t enviado = 0;
    while (enviado < bytes.size()) {
        const ssize_t w = ::send(fd_, bytes.data() + enviado, bytes.size() - enviado, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        enviado += static_cast<size_t>(w);
    }
    return true;
}

bool CanalTds::Envia(std::string_view tokens, uint8_t tipo) {
    const size_t carga = tamPaquete_ - 8;
    std::string tramo;
    tramo.reserve(std::min<size_t>(tokens.size() + tokens.size() / carga * 8 + 8, 1 << 20) +
                  tamPaquete_);
    size_t pos = 0;
    do {
        const size_t n = std::min(carga, tokens.size() - pos);
        const bool ultimo = pos + n == tokens.size();
        const size_t largo = n + 8;
        const char cabecera[8] = {static_cast<char>(tipo),
                                  static_cast<char>(ultimo ? 0x01 : 0x00),
                                  static_cast<char>(largo >> 8),
                                  static_cast<char>(largo & 0xFF),
                                  0,
                                  0,
                                  1,
                                  0};
        tramo.append(cabecera, 8);
        tramo.append(tokens.substr(pos, n));
        pos += n;
        if (ultimo || tramo.size() >= (1 << 20)) {
            if (!EscribeTodo(tramo)) return false;
            tramo.clear();
        }
    } while (pos < tokens.size());
    return true;
}

}  // namespace velqor::sqlsim
