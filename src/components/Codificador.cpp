#include "components/Codificador.h"

#include <cmath>
#include <exception>
#include <string_view>

#include "common/ErrorEjecucion.h"
#include "common/ZEVmat3.h"
#include "components/Cripto.h"
#include "components/Utilidades.h"

namespace velqor::Codificador {

namespace {

// Launch configuration file layout (docs/launch-config.md).
constexpr std::string_view kMagia = "VQLAUNCH";
constexpr char kVersion = 1;
constexpr std::size_t kLargoSal = 16;
constexpr std::size_t kLargoCabecera = kMagia.size() + 1 + kLargoSal + cripto::kLargoNonce;
constexpr std::size_t kMaximoArchivo = 1024 * 1024;

// Purpose labels of the key derivations: each use of the key text gets its own key.
constexpr std::string_view kUsoLanzamiento = "Velqor launch configuration";
constexpr std::string_view kUsoHash = "Velqor password hash";
constexpr std::string_view kUsoOculto = "Velqor hidden text";
constexpr std::string_view kUsoClave = "Velqor connection password";

constexpr std::string_view kPrefijoClave = "enc:";

[[noreturn]] void FalloCripto() {
    throw ErrorEjecucion(errores::kFalloGeneral, "The coding library failed");
}

std::string ClaveFija(const std::string& clave, std::string_view uso) {
    std::string llave = cripto::DerivaClave(clave, cripto::kSalFija, uso);
    if (llave.empty()) FalloCripto();
    return llave;
}

// The array text keeps kinds only as far as it can (numbers come back as Double), so the file also
// carries a mirror of the list: each value's type name, or for a nested list the mirror of it.
Valor Tipos(const Lista& valores) {
    Lista tipos;
    tipos.reserve(valores.size());
    for (const Valor& v : valores) {
        tipos.push_back(v.EsMatriz() ? Tipos(v.ComoLista()) : Valor::Texto(std::string(v.NombreTipo())));
    }
    return Valor::Matriz(std::move(tipos));
}

// Gives the numbers of valores back the kinds named in tipos; false when the two do not agree.
bool RestauraTipos(Lista& valores, const Valor& tipos) {
    if (!tipos.EsMatriz() || tipos.ComoLista().size() != valores.size()) return false;
    for (std::size_t i = 0; i < valores.size(); ++i) {
        Valor& v = valores[i];
        const Valor& t = tipos.ComoLista()[i];
        if (t.EsMatriz()) {
            if (!v.EsMatriz() || !RestauraTipos(v.ComoLista(), t)) return false;
            continue;
        }
        if (t.tipo() != Valor::Tipo::String) return false;
        const std::string& nombre = t.ComoTexto();
        if (nombre == v.NombreTipo()) continue;
        if (!v.EsNumero()) return false;
        const double d = v.ComoDoble();
        if (nombre == "Integer") {
            v = Valor::Entero(static_cast<int16_t>(std::lround(d)));
        } else if (nombre == "Long") {
            v = Valor::Largo(static_cast<int32_t>(std::lround(d)));
        } else if (nombre == "Byte") {
            v = Valor::Byte(static_cast<uint8_t>(std::lround(d)));
        } else if (nombre == "Single") {
            v = Valor::Simple(static_cast<float>(d));
        } else if (nombre == "Decimal") {
            v = Valor::Decimal(d);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool GuardaArchivo(const std::string& clave, const Lista& valores, const std::string& ruta,
                   bool /*flag*/) {
    std::string claro;
    if (!MatrizATexto(Valor::Matriz({Valor::Matriz(valores), Tipos(valores)}), claro)) return false;

    const std::string sal = cripto::BytesAleatorios(kLargoSal);
    const std::string nonce = cripto::BytesAleatorios(cripto::kLargoNonce);
    if (sal.empty() || nonce.empty()) return false;
    const std::string llave = cripto::DerivaClave(clave, sal, kUsoLanzamiento);
    if (llave.empty()) return false;

    std::string archivo;
    archivo.reserve(kLargoCabecera + claro.size() + cripto::kLargoEtiqueta);
    archivo.append(kMagia).push_back(kVersion);
    archivo.append(sal).append(nonce);
    std::string cifrado;
    if (!cripto::CifraGcm(llave, nonce, archivo, claro, cifrado)) return false;
    archivo.append(cifrado);
    return Utilidades::GrabaArchivoPrivado(ruta, archivo);
}

bool LeeArchivo(const std::string& clave, const std::string& ruta, Lista& valores, bool /*flag*/) {
    try {
        std::string archivo;
        if (!Utilidades::LeeArchivoLimitado(ruta, kMaximoArchivo, archivo)) return false;
        if (archivo.size() < kLargoCabecera + cripto::kLargoEtiqueta) return false;
        const std::string_view bytes(archivo);
        if (bytes.substr(0, kMagia.size()) != kMagia || bytes[kMagia.size()] != kVersion) return false;
        const std::string_view cabecera = bytes.substr(0, kLargoCabecera);
        const std::string_view sal = bytes.substr(kMagia.size() + 1, kLargoSal);
        const std::string_view nonce = bytes.substr(kMagia.size() + 1 + kLargoSal, cripto::kLargoNonce);
        const std::string llave = cripto::DerivaClave(clave, sal, kUsoLanzamiento);
        std::string claro;
        if (llave.empty() ||
            !cripto::DescifraGcm(llave, nonce, cabecera, bytes.substr(kLargoCabecera), claro)) {
            return false;
        }
        Valor contenido;
        if (!TextoAMatriz(claro, contenido) || contenido.ComoLista().size() != 2 ||
            !contenido.ComoLista()[0].EsMatriz()) {
            return false;
        }
        Lista leidos = std::move(contenido.ComoLista()[0].ComoLista());
        if (!RestauraTipos(leidos, contenido.ComoLista()[1])) return false;
        valores = std::move(leidos);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string Cifra(const std::string& clave, const std::string& texto) {
    const std::string resumen = cripto::Hmac(ClaveFija(clave, kUsoHash), texto);
    if (resumen.empty()) FalloCripto();
    return cripto::AHex(resumen);
}

std::string Oculta(const std::string& clave, const std::string& texto) {
    if (texto.empty()) return {};
    std::string oculto = cripto::Mascara(ClaveFija(clave, kUsoOculto), texto);
    if (oculto.empty()) FalloCripto();
    return oculto;
}

std::string Descifra(const std::string& clave, const std::string& oculto) {
    // The mask is its own inverse.
    return Oculta(clave, oculto);
}

std::string MarcaNubeOculta() {
    // Oculta(kEmpresa, "database.win"), kept only in this hidden form.
    static constexpr char kMarca[] = "\x3B\x75\xBB\xEB\xCF\x2F\x05\x34\x52\x2B\xCD\xEB";
    return std::string(kMarca, sizeof(kMarca) - 1);
}

std::string CifraClave(const std::string& clave, const std::string& contrasena) {
    const std::string llave = cripto::DerivaClave(clave, cripto::kSalFija, kUsoClave);
    const std::string nonce = cripto::BytesAleatorios(cripto::kLargoNonce);
    std::string cifrado;
    if (llave.empty() || nonce.empty() || !cripto::CifraGcm(llave, nonce, kUsoClave, contrasena, cifrado)) {
        return {};
    }
    return std::string(kPrefijoClave) + cripto::ABase64(nonce + cifrado);
}

bool DescifraClave(const std::string& clave, const std::string& cifrada, std::string& contrasena) {
    const std::string_view texto(cifrada);
    if (texto.substr(0, kPrefijoClave.size()) != kPrefijoClave) return false;
    std::string bytes;
    if (!cripto::DeBase64(texto.substr(kPrefijoClave.size()), bytes) ||
        bytes.size() < cripto::kLargoNonce + cripto::kLargoEtiqueta) {
        return false;
    }
    const std::string llave = cripto::DerivaClave(clave, cripto::kSalFija, kUsoClave);
    const std::string_view todo(bytes);
    std::string claro;
    if (llave.empty() || !cripto::DescifraGcm(llave, todo.substr(0, cripto::kLargoNonce), kUsoClave,
                                              todo.substr(cripto::kLargoNonce), claro)) {
        return false;
    }
    contrasena = std::move(claro);
    return true;
}

}  // namespace velqor::Codificador
