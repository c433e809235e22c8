#include "AutoridadPrueba.h"

#include <arpa/inet.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace velqor::prueba {
namespace {

using Clave = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificado = std::unique_ptr<X509, decltype(&X509_free)>;

void Exige(bool bien, const char* que) {
    if (!bien) throw std::runtime_error(std::string("test certificate: ") + que);
}

Clave NuevaClave() {
    Clave k(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Exige(k != nullptr, "key generation");
    return k;
}

void Extension(X509* cert, X509* emisor, int nid, const std::string& valor) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, emisor, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, valor.c_str());
    Exige(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

// A certificate for `clave` named `nombre`, valid for a day, signed by emisor (itself when null).
Certificado Firma(EVP_PKEY* clave, const std::string& nombre, X509* emisor) {
    Certificado c(X509_new(), &X509_free);
    X509_set_version(c.get(), 2);
    uint32_t serie = 0;
    RAND_bytes(reinterpret_cast<unsigned char*>(&serie), sizeof serie);
    ASN1_INTEGER_set(X509_get_serialNumber(c.get()), static_cast<long>(serie >> 1) + 1);
    X509_gmtime_adj(X509_getm_notBefore(c.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(c.get()), 86400);
    X509_set_pubkey(c.get(), clave);
    X509_NAME* n = X509_get_subject_name(c.get());
    X509_NAME_add_entry_by_txt(n, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(nombre.c_str()), -1, -1, 0);
    X509_set_issuer_name(c.get(), emisor ? X509_get_subject_name(emisor) : n);
    return c;
}

void EscribePem(const std::string& ruta, const std::function<int(FILE*)>& escribe) {
    FILE* f = std::fopen(ruta.c_str(), "wb");
    Exige(f != nullptr, "cannot write the PEM file");
    const bool bien = escribe(f) == 1;
    Exige(std::fclose(f) == 0 && bien, "cannot write the PEM file");
}

bool EsIp(const std::string& nombre) {
    unsigned char b[16];
    return ::inet_pton(AF_INET, nombre.c_str(), b) == 1 ||
           ::inet_pton(AF_INET6, nombre.c_str(), b) == 1;
}

}  // namespace

AutoridadPrueba::AutoridadPrueba() : clave_(NuevaClave()), certificado_(nullptr, &X509_free) {
    certificado_ = Firma(clave_.get(), "Velqor test authority", nullptr);
    Extension(certificado_.get(), certificado_.get(), NID_basic_constraints, "critical,CA:TRUE");
    Extension(certificado_.get(), certificado_.get(), NID_key_usage, "critical,keyCertSign");
    Extension(certificado_.get(), certificado_.get(), NID_subject_key_identifier, "hash");
    Exige(X509_sign(certificado_.get(), clave_.get(), EVP_sha256()) > 0, "signing");
}

void AutoridadPrueba::EscribeCertificado(const std::string& ruta) const {
    EscribePem(ruta, [this](FILE* f) { return PEM_write_X509(f, certificado_.get()); });
}

void AutoridadPrueba::EmiteServidor(const std::vector<std::string>& nombres,
                                    const std::string& rutaCertificado,
                                    const std::string& rutaClave) const {
    const Clave clave = NuevaClave();
    const Certificado c = Firma(clave.get(), nombres.at(0), certificado_.get());
    std::string alternativos;
    for (const std::string& n : nombres) {
        alternativos +=
            (alternativos.empty() ? "" : ",") + std::string(EsIp(n) ? "IP:" : "DNS:") + n;
    }
    Extension(c.get(), certificado_.get(), NID_subject_alt_name, alternativos);
    Extension(c.get(), certificado_.get(), NID_basic_constraints, "CA:FALSE");
    Extension(c.get(), certificado_.get(), NID_ext_key_usage, "serverAuth");
    Extension(c.get(), certificado_.get(), NID_authority_key_identifier, "keyid");
    Exige(X509_sign(c.get(), clave_.get(), EVP_sha256()) > 0, "signing");
    EscribePem(rutaCertificado, [&c](FILE* f) { return PEM_write_X509(f, c.get()); });
    EscribePem(rutaClave, [&clave](FILE* f) {
        return PEM_write_PrivateKey(f, clave.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
}

}  // namespace velqor::prueba
