#include "db/DiagnosticoCifrado.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string_view>

#include "common/General.h"

namespace velqor::db {
namespace {

constexpr uint8_t kPrelogin = 0x12;
constexpr uint8_t kCifradoApagado = 0x00;
constexpr uint8_t kCifradoEncendido = 0x01;
constexpr uint8_t kCifradoNoSoportado = 0x02;
constexpr uint8_t kCifradoExigido = 0x03;
constexpr size_t kCabecera = 8;

// A connected TCP socket with send and receive time-outs; closes itself.
class Enchufe {
  public:
    Enchufe(const std::string& host, uint16_t puerto, int segundos) {
        addrinfo pista{};
        pista.ai_socktype = SOCK_STREAM;
        addrinfo* lista = nullptr;
        if (::getaddrinfo(host.c_str(), std::to_string(puerto).c_str(), &pista, &lista) != 0) {
            return;
        }
        for (addrinfo* a = lista; a != nullptr && fd_ < 0; a = a->ai_next) {
            const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0) continue;
            timeval t{segundos, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
            if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
                fd_ = fd;
            } else {
                ::close(fd);
            }
        }
        ::freeaddrinfo(lista);
    }
    ~Enchufe() {
        if (fd_ >= 0) ::close(fd_);
    }
    Enchufe(const Enchufe&) = delete;
    Enchufe& operator=(const Enchufe&) = delete;

    bool Conectado() const { return fd_ >= 0; }

    // Sends `datos` as one PRELOGIN message.
    bool Envia(std::string_view datos) {
        std::string paquete;
        const size_t largo = datos.size() + kCabecera;
        paquete += static_cast<char>(kPrelogin);
        paquete += static_cast<char>(0x01);  // end of message
        paquete += static_cast<char>(largo >> 8);
        paquete += static_cast<char>(largo & 0xFF);
        paquete.append(4, '\0');
        paquete.append(datos);
        for (size_t hecho = 0; hecho < paquete.size();) {
            const ssize_t n =
                ::send(fd_, paquete.data() + hecho, paquete.size() - hecho, MSG_NOSIGNAL);
            if (n <= 0) return false;
            hecho += static_cast<size_t>(n);
        }
        return true;
    }

    // The payload of the server's next message (all its packets), or nullopt.
    std::optional<std::string> Lee() {
        std::string mensaje;
        for (;;) {
            unsigned char cabecera[kCabecera];
            if (!LeeExacto(reinterpret_cast<char*>(cabecera), kCabecera)) return std::nullopt;
            const size_t largo = (size_t{cabecera[2]} << 8) | cabecera[3];
            if (largo < kCabecera) return std::nullopt;
            const size_t antes = mensaje.size();
            mensaje.resize(antes + largo - kCabecera);
            if (!LeeExacto(mensaje.data() + antes, largo - kCabecera)) return std::nullopt;
            if (cabecera[1] & 0x01) return mensaje;
        }
    }

  private:
    int fd_ = -1;

    bool LeeExacto(char* destino, size_t n) {
        while (n > 0) {
            const ssize_t r = ::recv(fd_, destino, n, 0);
            if (r <= 0) return false;
            destino += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    }
};

// A PRELOGIN with VERSION and ENCRYPTION, as a driver configured like the definition sends it.
std::string Prelogin(uint8_t cifrado) {
    // Options VERSION (at 11, 6 bytes) and ENCRYPTION (at 17), the end mark, then version 9.0.0.0
    // and the ENCRYPTION byte.
    std::string datos(
        "\x00\x00\x0B\x00\x06"
        "\x01\x00\x11\x00\x01"
        "\xFF"
        "\x09\x00\x00\x00\x00\x00"
        "\x00",
        18);
    datos[17] = static_cast<char>(cifrado);
    return datos;
}

// The ENCRYPTION byte of the server's PRELOGIN answer (NOT_SUP when it gives none).
uint8_t CifradoDelServidor(const std::string& respuesta) {
    for (size_t i = 0; i + 5 <= respuesta.size(); i += 5) {
        const auto opcion = static_cast<uint8_t>(respuesta[i]);
        if (opcion == 0xFF) break;
        const size_t desde = (size_t{static_cast<uint8_t>(respuesta[i + 1])} << 8) |
                             static_cast<uint8_t>(respuesta[i + 2]);
        if (opcion == 0x01 && desde < respuesta.size()) {
            return static_cast<uint8_t>(respuesta[desde]);
        }
    }
    return kCifradoNoSoportado;
}

bool EsDireccionIp(const std::string& host) {
    unsigned char direccion[16];
    return ::inet_pton(AF_INET, host.c_str(), direccion) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), direccion) == 1;
}

std::string Salida(BIO* bio) {
    std::string bytes;
    char trozo[4096];
    int n = 0;
    while ((n = BIO_read(bio, trozo, sizeof trozo)) > 0) bytes.append(trozo, n);
    return bytes;
}

// The TLS handshake inside PRELOGIN packets, checking the certificate (chain and host name) as
// the definition asks. Empty when it succeeds; otherwise the reason.
std::string Saludo(Enchufe& enchufe, const PeticionCifrado& p) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx(SSL_CTX_new(TLS_client_method()),
                                                          &SSL_CTX_free);
    if (!ctx) return "";
    const bool cargado = p.archivoCA.empty() ? SSL_CTX_set_default_verify_paths(ctx.get()) == 1
                                             : SSL_CTX_load_verify_locations(
                                                   ctx.get(), p.archivoCA.c_str(), nullptr) == 1;
    if (!cargado) {
        ERR_clear_error();
        return Mensaje("The CAFile |1 cannot be read as PEM certificates: correct CAFile",
                       {Valor::Texto(p.archivoCA)});
    }
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), &SSL_free);
    BIO* entrada = BIO_new(BIO_s_mem());
    BIO* salida = BIO_new(BIO_s_mem());
    SSL_set_bio(ssl.get(), entrada, salida);
    SSL_set_verify(ssl.get(), SSL_VERIFY_PEER, nullptr);
    X509_VERIFY_PARAM* parametros = SSL_get0_param(ssl.get());
    if (EsDireccionIp(p.host)) {
        X509_VERIFY_PARAM_set1_ip_asc(parametros, p.host.c_str());
    } else {
        X509_VERIFY_PARAM_set1_host(parametros, p.host.c_str(), 0);
        SSL_set_tlsext_host_name(ssl.get(), p.host.c_str());
    }
    SSL_set_connect_state(ssl.get());
    for (;;) {
        const int r = SSL_do_handshake(ssl.get());
        const std::string vuelo = Salida(salida);
        if (!vuelo.empty() && !enchufe.Envia(vuelo)) return "";
        if (r == 1) return "";
        if (SSL_get_error(ssl.get(), r) != SSL_ERROR_WANT_READ) break;
        const auto respuesta = enchufe.Lee();
        if (!respuesta) return "";
        BIO_write(entrada, respuesta->data(), static_cast<int>(respuesta->size()));
    }
    ERR_clear_error();
    const long verificacion = SSL_get_verify_result(ssl.get());
    if (verificacion == X509_V_ERR_HOSTNAME_MISMATCH ||
        verificacion == X509_V_ERR_IP_ADDRESS_MISMATCH) {
        return Mensaje(
            "The server's certificate is not issued for |1: write the server's name as its "
            "certificate gives it in Server",
            {Valor::Texto(p.host)});
    }
    if (verificacion != X509_V_OK) {
        return Mensaje(
            "The server's certificate is not trusted (|1): name its issuer's certificate with "
            "CAFile, or set TrustServerCertificate = yes if you trust this server",
            {Valor::Texto(X509_verify_cert_error_string(verificacion))});
    }
    return "";
}

}  // namespace

std::string MotivoFalloCifrado(const PeticionCifrado& p, int segundos) {
    const bool pide = p.nivel == "yes" || p.nivel == "strict";
    Enchufe enchufe(p.host, p.puerto, segundos);
    const uint8_t propio = p.nivel == "no" ? kCifradoNoSoportado
                           : pide          ? kCifradoEncendido
                                           : kCifradoApagado;
    if (!enchufe.Conectado() || !enchufe.Envia(Prelogin(propio))) return "";
    const auto respuesta = enchufe.Lee();
    if (!respuesta) return "";
    const uint8_t delServidor = CifradoDelServidor(*respuesta);
    if (delServidor == kCifradoNoSoportado && pide) {
        return Mensaje(
            "The server does not support encryption, which the definition requires (Encrypt = "
            "|1): give the server a certificate, or leave Encrypt out",
            {Valor::Texto(p.nivel)});
    }
    if (delServidor == kCifradoExigido && propio == kCifradoNoSoportado) {
        return Mensaje(
            "The server accepts encrypted connections only and the definition says Encrypt = no: "
            "set Encrypt = yes");
    }
    if (delServidor == kCifradoNoSoportado || !pide || p.confiaCertificado) return "";
    return Saludo(enchufe, p);
}

}  // namespace velqor::db
