#include "CanalTls.h"

#include <openssl/err.h>

#include <stdexcept>

namespace velqor::sqlsim {

ContextoTls::ContextoTls(const std::string& certificado, const std::string& clavePrivada)
    : ctx_(SSL_CTX_new(TLS_server_method()), &SSL_CTX_free) {
    if (!ctx_) throw std::runtime_error("TLS cannot be set up");
    SSL_CTX_set_min_proto_version(ctx_.get(), TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(ctx_.get(), TLS1_2_VERSION);
    // No session tickets: after a login-only handshake the next bytes on the wire are clear TDS.
    SSL_CTX_set_options(ctx_.get(), SSL_OP_NO_TICKET);
    if (SSL_CTX_use_certificate_chain_file(ctx_.get(), certificado.c_str()) != 1) {
        ERR_clear_error();
        throw std::runtime_error("certificate: cannot use " + certificado);
    }
    if (SSL_CTX_use_PrivateKey_file(ctx_.get(), clavePrivada.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(ctx_.get()) != 1) {
        ERR_clear_error();
        throw std::runtime_error("privateKey: cannot use " + clavePrivada +
                                 " (or it does not match the certificate)");
    }
}

CanalTls::CanalTls(const ContextoTls& contexto)
    : ssl_(SSL_new(contexto.Ctx()), &SSL_free),
      entrada_(BIO_new(BIO_s_mem())),
      salida_(BIO_new(BIO_s_mem())) {
    SSL_set_bio(ssl_.get(), entrada_, salida_);
    SSL_set_accept_state(ssl_.get());
}

std::string CanalTls::Pendiente() {
    std::string bytes;
    char trozo[4096];
    int n = 0;
    while ((n = BIO_read(salida_, trozo, sizeof trozo)) > 0) bytes.append(trozo, n);
    return bytes;
}

bool CanalTls::Saludo(std::string_view entrada, std::string& respuesta) {
    BIO_write(entrada_, entrada.data(), static_cast<int>(entrada.size()));
    const int r = SSL_do_handshake(ssl_.get());
    respuesta = Pendiente();
    if (r == 1) return true;
    const int e = SSL_get_error(ssl_.get(), r);
    ERR_clear_error();
    return e == SSL_ERROR_WANT_READ;
}

bool CanalTls::Descifra(std::string_view registros, std::string& claro) {
    BIO_write(entrada_, registros.data(), static_cast<int>(registros.size()));
    char trozo[16384];
    for (;;) {
        const int n = SSL_read(ssl_.get(), trozo, sizeof trozo);
        if (n > 0) {
            claro.append(trozo, n);
            continue;
        }
        const int e = SSL_get_error(ssl_.get(), n);
        ERR_clear_error();
        return e == SSL_ERROR_WANT_READ;
    }
}

std::string CanalTls::Cifra(std::string_view claro) {
    if (!claro.empty()) SSL_write(ssl_.get(), claro.data(), static_cast<int>(claro.size()));
    return Pendiente();
}

}  // namespace velqor::sqlsim
