#pragma once
// A certificate authority made up for one test (libcrypto, EC P-256 keys): it writes its own
// certificate and issues server certificates for given host names, so no key is ever committed.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace velqor::prueba {

class AutoridadPrueba {
  public:
    // Makes the authority's key and self-signed certificate. Throws std::runtime_error.
    AutoridadPrueba();

    // Writes the authority's certificate (PEM), for a CAFile.
    void EscribeCertificado(const std::string& ruta) const;
    // Issues a server certificate naming `nombres` (IP addresses or DNS names) and writes it and
    // its key (PEM) to the two paths. Throws std::runtime_error.
    void EmiteServidor(const std::vector<std::string>& nombres, const std::string& rutaCertificado,
                       const std::string& rutaClave) const;

  private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> clave_;
    std::unique_ptr<X509, decltype(&X509_free)> certificado_;
};

}  // namespace velqor::prueba
