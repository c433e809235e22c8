#include "RespondedorTds.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace velqor::prueba {
namespace {

constexpr uint8_t kPrelogin = 0x12, kLogin7 = 0x10, kLote = 0x01, kAtencion = 0x06;

// Reply to PRELOGIN: version 16, encryption not supported, no instance, no thread id, no MARS.
const std::string kRespuestaPrelogin(
    "\x00\x00\x1A\x00\x06\x01\x00\x20\x00\x01\x02\x00\x21\x00\x01\x03\x00\x22\x00\x00\x04\x00\x22"
    "\x00\x01\xFF\x10\x00\x10\x00\x00\x00\x02\x00\x00",
    35);

std::string LoginAck() {
    const std::u16string nombre = u"Microsoft SQL Server";
    std::string cuerpo = std::string("\x01\x74\x00\x00\x04", 5) + static_cast<char>(nombre.size()) +
                         tds::Utf16(nombre) + std::string("\x10\x00\x10\x00", 4);
    return "\xAD" + tds::U16(static_cast<uint16_t>(cuerpo.size())) + cuerpo;
}

std::string DoneSimple(uint16_t estado) {
    return "\xFD" + tds::U16(estado) + std::string(10, '\0');
}

bool LeeTodo(int s, char* destino, std::size_t n) {
    while (n > 0) {
        const ssize_t r = ::recv(s, destino, n, 0);
        if (r <= 0) return false;
        destino += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

// One client message (its packets joined); false when the client left.
bool LeeMensaje(int s, uint8_t& tipo) {
    for (;;) {
        unsigned char cabecera[8];
        if (!LeeTodo(s, reinterpret_cast<char*>(cabecera), 8)) return false;
        tipo = cabecera[0];
        std::vector<char> cuerpo(static_cast<std::size_t>((cabecera[2] << 8) | cabecera[3]) - 8);
        if (!cuerpo.empty() && !LeeTodo(s, cuerpo.data(), cuerpo.size())) return false;
        if (cabecera[1] & 0x01) return true;
    }
}

bool Envia(int s, const std::string& datos) {
    constexpr std::size_t kCarga = 4088;
    for (std::size_t inicio = 0; inicio == 0 || inicio < datos.size(); inicio += kCarga) {
        const std::string trozo = datos.substr(inicio, kCarga);
        const bool ultimo = inicio + kCarga >= datos.size();
        const auto largo = static_cast<uint16_t>(trozo.size() + 8);
        std::string paquete{'\x04',
                            ultimo ? '\x01' : '\x00',
                            static_cast<char>(largo >> 8),
                            static_cast<char>(largo & 0xFF),
                            '\0',
                            '\0',
                            '\x01',
                            '\0'};
        paquete += trozo;
        if (::send(s, paquete.data(), paquete.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(paquete.size()))
            return false;
    }
    return true;
}

}  // namespace

namespace tds {
std::string U16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v)) + U16(static_cast<uint16_t>(v >> 16));
}
std::string Utf16(const std::u16string& texto) {
    std::string bytes;
    for (char16_t c : texto) bytes += U16(c);
    return bytes;
}
std::string Columnas(const std::vector<std::pair<std::u16string, std::string>>& columnas) {
    std::string t = "\x81" + U16(static_cast<uint16_t>(columnas.size()));
    for (const auto& [nombre, tipo] : columnas)
        t += U32(0) + U16(1) + tipo + static_cast<char>(nombre.size()) + Utf16(nombre);
    return t;
}
std::string Fin(uint64_t filas) {
    return "\xFD" + U16(0x10) + U16(0) + U32(static_cast<uint32_t>(filas)) +
           U32(static_cast<uint32_t>(filas >> 32));
}
}  // namespace tds

RespondedorTds::RespondedorTds(std::string respuesta, bool cortaTrasLote)
    : respuesta_(std::move(respuesta)), cortaTrasLote_(cortaTrasLote) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof direccion;
    if (socket_ < 0 ||
        ::bind(socket_, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&direccion), &largo) != 0 ||
        ::listen(socket_, 4) != 0) {
        if (socket_ >= 0) ::close(socket_);
        throw std::runtime_error("cannot listen on a loopback port");
    }
    puerto_ = ntohs(direccion.sin_port);
    hilo_ = std::thread([this] { Atiende(); });
}

RespondedorTds::~RespondedorTds() {
    parar_ = true;
    hilo_.join();
    ::close(socket_);
}

void RespondedorTds::Atiende() {
    while (!parar_) {
        pollfd espera{socket_, POLLIN, 0};
        if (::poll(&espera, 1, 50) <= 0) continue;
        const int cliente = ::accept(socket_, nullptr, nullptr);
        if (cliente < 0) continue;
        while (!parar_ && Sesion(cliente)) {
        }
        ::close(cliente);
    }
}

// Answers one client message; false when the client left or the server is stopping.
bool RespondedorTds::Sesion(int cliente) {
    pollfd espera{cliente, POLLIN, 0};
    if (::poll(&espera, 1, 50) <= 0) return !parar_;
    uint8_t tipo = 0;
    if (!LeeMensaje(cliente, tipo)) return false;
    switch (tipo) {
        case kPrelogin:
            return Envia(cliente, kRespuestaPrelogin);
        case kLogin7:
            return Envia(cliente, LoginAck() + DoneSimple(0));
        case kLote:
            return Envia(cliente, respuesta_) && !cortaTrasLote_;
        case kAtencion:
            return Envia(cliente, DoneSimple(0)) && Envia(cliente, DoneSimple(0x20));
        default:
            return Envia(cliente, DoneSimple(0));
    }
}

}  // namespace velqor::prueba
