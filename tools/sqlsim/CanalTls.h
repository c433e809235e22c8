#pragma once
// The server side of one TLS session over memory buffers: the caller moves the bytes between the
// socket and the session, so the handshake can travel inside TDS PRELOGIN packets and the records
// afterwards straight on the socket. Only TLS 1.2 is offered, as SQL Server does for TDS 7.x.

#include <openssl/ssl.h>

#include <memory>
#include <string>
#include <string_view>

namespace velqor::sqlsim {

// The server's certificate and key, loaded once and shared by every connection.
class ContextoTls {
  public:
    // Loads the PEM files. Throws std::runtime_error naming the file that cannot be used.
    ContextoTls(const std::string& certificado, const std::string& clavePrivada);
    SSL_CTX* Ctx() const { return ctx_.get(); }

  private:
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx_;
};

class CanalTls {
  public:
    explicit CanalTls(const ContextoTls& contexto);

    // Feeds bytes of the client's handshake; `respuesta` receives what must go back to it.
    // False when the handshake failed (a client that refused the certificate, for instance).
    bool Saludo(std::string_view entrada, std::string& respuesta);
    bool Terminado() const { return SSL_is_init_finished(ssl_.get()) == 1; }

    // Feeds records read from the socket and appends the clear bytes they carry to `claro`.
    // False on a broken record or a closing alert.
    bool Descifra(std::string_view registros, std::string& claro);
    // The records that carry `claro`, ready to be written to the socket.
    std::string Cifra(std::string_view claro);

  private:
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl_;
    BIO* entrada_;  // owned by ssl_
    BIO* salida_;   // owned by ssl_

    std::string Pendiente();
};

}  // namespace velqor::sqlsim
