#include "components/Cripto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <memory>

namespace velqor::cripto {

namespace {

struct LiberaKdf {
    void operator()(EVP_KDF* p) const { EVP_KDF_free(p); }
};
struct LiberaKdfCtx {
    void operator()(EVP_KDF_CTX* p) const { EVP_KDF_CTX_free(p); }
};
struct LiberaCipherCtx {
    void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, LiberaCipherCtx>;

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}
unsigned char* Bytes(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

// OSSL_PARAM wants non-const pointers even for input octet strings.
OSSL_PARAM Octetos(const char* nombre, std::string_view valor) {
    return OSSL_PARAM_construct_octet_string(nombre, const_cast<char*>(valor.data()), valor.size());
}

// Runs one AES-256-GCM pass (cifrar true: encrypt) over entrada into salida; the tag is set before
// a decryption and read after an encryption.
bool Gcm(bool cifrar, std::string_view llave, std::string_view nonce, std::string_view aad,
         std::string_view entrada, std::string& salida, unsigned char* etiqueta) {
    if (llave.size() != kLargoClave || nonce.size() != kLargoNonce) return false;
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx) return false;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr,
                          cifrar ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()),
                            nullptr) != 1 ||
        EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, Bytes(llave), Bytes(nonce), -1) != 1) {
        return false;
    }
    int n = 0;
    if (!aad.empty() &&
        EVP_CipherUpdate(ctx.get(), nullptr, &n, Bytes(aad), static_cast<int>(aad.size())) != 1) {
        return false;
    }
    salida.assign(entrada.size(), '\0');
    if (!entrada.empty() && EVP_CipherUpdate(ctx.get(), Bytes(salida), &n, Bytes(entrada),
                                             static_cast<int>(entrada.size())) != 1) {
        return false;
    }
    if (!cifrar && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG,
                                       static_cast<int>(kLargoEtiqueta), etiqueta) != 1) {
        return false;
    }
    std::array<unsigned char, 16> resto{};
    if (EVP_CipherFinal_ex(ctx.get(), resto.data(), &n) != 1) return false;
    return !cifrar || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG,
                                          static_cast<int>(kLargoEtiqueta), etiqueta) == 1;
}

}  // namespace

std::string DerivaClave(std::string_view clave, std::string_view sal, std::string_view uso) {
    // HKDF refuses an empty input key, so the key text is always preceded by a fixed label.
    return DerivaDeMaterial("velqor:" + std::string(clave), sal, uso);
}

std::string DerivaDeMaterial(std::string_view material, std::string_view sal,
                             std::string_view uso) {
    std::unique_ptr<EVP_KDF, LiberaKdf> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    if (!kdf || material.empty()) return {};
    std::unique_ptr<EVP_KDF_CTX, LiberaKdfCtx> ctx(EVP_KDF_CTX_new(kdf.get()));
    if (!ctx) return {};
    char digesto[] = "SHA256";
    const OSSL_PARAM parametros[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digesto, 0),
        Octetos(OSSL_KDF_PARAM_KEY, material),
        Octetos(OSSL_KDF_PARAM_SALT, sal),
        Octetos(OSSL_KDF_PARAM_INFO, uso),
        OSSL_PARAM_construct_end(),
    };
    std::string llave(kLargoClave, '\0');
    if (EVP_KDF_derive(ctx.get(), Bytes(llave), llave.size(), parametros) != 1) return {};
    return llave;
}

std::string BytesAleatorios(std::size_t n) {
    std::string bytes(n, '\0');
    if (RAND_bytes(Bytes(bytes), static_cast<int>(n)) != 1) return {};
    return bytes;
}

bool CifraGcm(std::string_view llave, std::string_view nonce, std::string_view aad,
              std::string_view claro, std::string& cifradoYEtiqueta) {
    std::array<unsigned char, kLargoEtiqueta> etiqueta{};
    std::string cifrado;
    if (!Gcm(true, llave, nonce, aad, claro, cifrado, etiqueta.data())) return false;
    cifrado.append(reinterpret_cast<const char*>(etiqueta.data()), etiqueta.size());
    cifradoYEtiqueta = std::move(cifrado);
    return true;
}

bool DescifraGcm(std::string_view llave, std::string_view nonce, std::string_view aad,
                 std::string_view cifradoYEtiqueta, std::string& claro) {
    if (cifradoYEtiqueta.size() < kLargoEtiqueta) return false;
    const std::size_t largo = cifradoYEtiqueta.size() - kLargoEtiqueta;
    std::array<unsigned char, kLargoEtiqueta> etiqueta{};
    const auto* origen = Bytes(cifradoYEtiqueta.substr(largo));
    std::copy(origen, origen + kLargoEtiqueta, etiqueta.begin());
    std::string resultado;
    if (!Gcm(false, llave, nonce, aad, cifradoYEtiqueta.substr(0, largo), resultado,
             etiqueta.data())) {
        return false;
    }
    claro = std::move(resultado);
    return true;
}

std::string Hmac(std::string_view llave, std::string_view datos) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> resumen{};
    unsigned int largo = 0;
    if (HMAC(EVP_sha256(), llave.data(), static_cast<int>(llave.size()), Bytes(datos), datos.size(),
             resumen.data(), &largo) == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(resumen.data()), largo);
}

std::string Mascara(std::string_view llave, std::string_view datos) {
    if (datos.empty()) return {};
    if (llave.size() != kLargoClave) return {};
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    const std::array<unsigned char, 16> contador{};
    std::string salida(datos.size(), '\0');
    int n = 0;
    if (!ctx ||
        EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_ctr(), nullptr, Bytes(llave), contador.data()) !=
            1 ||
        EVP_EncryptUpdate(ctx.get(), Bytes(salida), &n, Bytes(datos),
                          static_cast<int>(datos.size())) != 1) {
        return {};
    }
    return salida;
}

std::string ABase64(std::string_view bytes) {
    std::string texto(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(Bytes(texto), Bytes(bytes), static_cast<int>(bytes.size()));
    texto.resize(static_cast<std::size_t>(n));
    return texto;
}

bool DeBase64(std::string_view texto, std::string& bytes) {
    if (texto.size() % 4 != 0) return false;
    std::size_t relleno = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const char c = texto[i];
        const bool base = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (c == '=') {
            // Padding only as the last one or two characters.
            if (i + 2 < texto.size()) return false;
            ++relleno;
        } else if (!base || relleno > 0) {
            return false;
        }
    }
    std::string salida(texto.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(Bytes(salida), Bytes(texto), static_cast<int>(texto.size()));
    if (n < 0) return false;
    salida.resize(static_cast<std::size_t>(n) - relleno);
    bytes = std::move(salida);
    return true;
}

std::string AHex(std::string_view bytes) {
    static constexpr char kDigitos[] = "0123456789ABCDEF";
    std::string texto;
    texto.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        texto.push_back(kDigitos[b >> 4]);
        texto.push_back(kDigitos[b & 0x0F]);
    }
    return texto;
}

}  // namespace velqor::cripto
