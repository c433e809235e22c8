#include "components/Codificador.h"

#include <cmath>
#include <exception>
#include <string_view>
#include <vector>

#include "common/Archivo.h"
#include "common/ErrorEjecucion.h"
#include "common/ZEVmat3.h"
#include "components/Cripto.h"
#include "components/LlaveInstalacion.h"

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

// The input key material of the key every copy of the program shares: "velqor:" and the key text.
std::string Compartido(const std::string& clave) { return "velqor:" + clave; }

// The materials a file is tried under, in order: this installation's keys, then the shared one.
// A damaged installation key leaves only the shared one (what was written under it cannot be read).
std::vector<std::string> MaterialesLectura(const std::string& clave) {
    std::vector<std::string> materiales;
    std::string error;
    LlaveInstalacion::Llaves(materiales, error);
    materiales.push_back(Compartido(clave));
    return materiales;
}

// The material files are written under: the first installation key, else the shared one; false
// when an installation key is damaged (nothing is then written under the shared one instead).
bool MaterialEscritura(const std::string& clave, std::string& material) {
    std::vector<std::string> llaves;
    std::string error;
    if (!LlaveInstalacion::Llaves(llaves, error)) return false;
    material = llaves.empty() ? Compartido(clave) : llaves.front();
    return true;
}

// How a read under materiales[i] is called: the first is the writing one.
Lectura Leido(std::size_t i, std::size_t total) {
    return i + 1 == total && total > 1 ? Lectura::LlaveCompartida : Lectura::Leido;
}

// The array text brings every number back as a Double and cannot read back a list without entries,
// so each list is stored with a head entry: the type names of its entries joined by ",".
Valor Empaqueta(const Lista& valores) {
    Lista paquete;
    paquete.reserve(valores.size() + 1);
    std::string tipos;
    paquete.emplace_back();
    for (const Valor& v : valores) {
        if (paquete.size() > 1) tipos.push_back(',');
        tipos.append(v.NombreTipo());
        paquete.push_back(v.EsMatriz() ? Empaqueta(v.ComoLista()) : v);
    }
    paquete[0] = Valor::Texto(std::move(tipos));
    return Valor::Matriz(std::move(paquete));
}

// Gives v the kind named tipo; false when the stored value cannot be of that kind.
bool DaTipo(Valor& v, std::string_view tipo) {
    if (tipo == v.NombreTipo()) return true;
    if (!v.EsNumero()) return false;
    const double d = v.ComoDoble();
    if (tipo == "Integer") {
        v = Valor::Entero(static_cast<int16_t>(std::lround(d)));
    } else if (tipo == "Long") {
        v = Valor::Largo(static_cast<int32_t>(std::lround(d)));
    } else if (tipo == "Byte") {
        v = Valor::Byte(static_cast<uint8_t>(std::lround(d)));
    } else if (tipo == "Single") {
        v = Valor::Simple(static_cast<float>(d));
    } else if (tipo == "Decimal") {
        v = Valor::Decimal(d);
    } else {
        return false;
    }
    return true;
}

// The inverse of Empaqueta; false when the head does not describe the entries.
bool Desempaqueta(Valor& paquete, Lista& valores) {
    if (!paquete.EsMatriz() || paquete.ComoLista().empty()) return false;
    Lista& entradas = paquete.ComoLista();
    if (entradas[0].tipo() != Valor::Tipo::String) return false;
    std::string_view tipos = entradas[0].ComoTexto();
    Lista resultado;
    resultado.reserve(entradas.size() - 1);
    for (std::size_t i = 1; i < entradas.size(); ++i) {
        if (tipos.empty()) return false;
        const auto coma = tipos.find(',');
        const std::string_view tipo = tipos.substr(0, coma);
        tipos.remove_prefix(coma == std::string_view::npos ? tipos.size() : coma + 1);
        Valor v = std::move(entradas[i]);
        if (tipo == "Array") {
            Lista sub;
            if (!Desempaqueta(v, sub)) return false;
            v = Valor::Matriz(std::move(sub));
        } else if (!DaTipo(v, tipo)) {
            return false;
        }
        resultado.push_back(std::move(v));
    }
    if (!tipos.empty()) return false;
    valores = std::move(resultado);
    return true;
}

}  // namespace

bool GuardaArchivo(const std::string& clave, const Lista& valores, const std::string& ruta,
                   bool /*flag*/) {
    std::string claro;
    if (!MatrizATexto(Empaqueta(valores), claro)) return false;

    std::string material;
    if (!MaterialEscritura(clave, material)) return false;
    const std::string sal = cripto::BytesAleatorios(kLargoSal);
    const std::string nonce = cripto::BytesAleatorios(cripto::kLargoNonce);
    if (sal.empty() || nonce.empty()) return false;
    const std::string llave = cripto::DerivaDeMaterial(material, sal, kUsoLanzamiento);
    if (llave.empty()) return false;

    std::string archivo;
    archivo.reserve(kLargoCabecera + claro.size() + cripto::kLargoEtiqueta);
    archivo.append(kMagia).push_back(kVersion);
    archivo.append(sal).append(nonce);
    std::string cifrado;
    if (!cripto::CifraGcm(llave, nonce, archivo, claro, cifrado)) return false;
    archivo.append(cifrado);
    return ReemplazaArchivo(ruta, archivo, Permisos::Privados);
}

Lectura LeeArchivoConLlave(const std::string& clave, const std::string& ruta, Lista& valores) {
    try {
        std::string archivo;
        if (!velqor::LeeArchivo(ruta, archivo, kMaximoArchivo)) return Lectura::Ilegible;
        if (archivo.size() < kLargoCabecera + cripto::kLargoEtiqueta) return Lectura::Ilegible;
        const std::string_view bytes(archivo);
        if (bytes.substr(0, kMagia.size()) != kMagia || bytes[kMagia.size()] != kVersion)
            return Lectura::Ilegible;
        const std::string_view cabecera = bytes.substr(0, kLargoCabecera);
        const std::string_view sal = bytes.substr(kMagia.size() + 1, kLargoSal);
        const std::string_view nonce =
            bytes.substr(kMagia.size() + 1 + kLargoSal, cripto::kLargoNonce);
        const std::vector<std::string> materiales = MaterialesLectura(clave);
        for (std::size_t i = 0; i < materiales.size(); ++i) {
            const std::string llave = cripto::DerivaDeMaterial(materiales[i], sal, kUsoLanzamiento);
            std::string claro;
            if (llave.empty() ||
                !cripto::DescifraGcm(llave, nonce, cabecera, bytes.substr(kLargoCabecera), claro)) {
                continue;
            }
            // Authentic: what it holds is this program's, or the file is not a launch file.
            Valor contenido;
            Lista leidos;
            if (!TextoAMatriz(claro, contenido) || !Desempaqueta(contenido, leidos)) {
                return Lectura::Ilegible;
            }
            valores = std::move(leidos);
            return Leido(i, materiales.size());
        }
        return Lectura::OtraInstalacion;
    } catch (const std::exception&) {
        return Lectura::Ilegible;
    }
}

bool LeeArchivo(const std::string& clave, const std::string& ruta, Lista& valores, bool /*flag*/) {
    return Abre(LeeArchivoConLlave(clave, ruta, valores));
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
    std::string material;
    if (!MaterialEscritura(clave, material)) return {};
    const std::string llave = cripto::DerivaDeMaterial(material, cripto::kSalFija, kUsoClave);
    const std::string nonce = cripto::BytesAleatorios(cripto::kLargoNonce);
    std::string cifrado;
    if (llave.empty() || nonce.empty() ||
        !cripto::CifraGcm(llave, nonce, kUsoClave, contrasena, cifrado)) {
        return {};
    }
    return std::string(kPrefijoClave) + cripto::ABase64(nonce + cifrado);
}

Lectura DescifraClaveConLlave(const std::string& clave, const std::string& cifrada,
                              std::string& contrasena) {
    const std::string_view texto(cifrada);
    if (texto.substr(0, kPrefijoClave.size()) != kPrefijoClave) return Lectura::Ilegible;
    std::string bytes;
    if (!cripto::DeBase64(texto.substr(kPrefijoClave.size()), bytes) ||
        bytes.size() < cripto::kLargoNonce + cripto::kLargoEtiqueta) {
        return Lectura::Ilegible;
    }
    const std::string_view todo(bytes);
    const std::vector<std::string> materiales = MaterialesLectura(clave);
    for (std::size_t i = 0; i < materiales.size(); ++i) {
        const std::string llave =
            cripto::DerivaDeMaterial(materiales[i], cripto::kSalFija, kUsoClave);
        std::string claro;
        if (!llave.empty() &&
            cripto::DescifraGcm(llave, todo.substr(0, cripto::kLargoNonce), kUsoClave,
                                todo.substr(cripto::kLargoNonce), claro)) {
            contrasena = std::move(claro);
            return Leido(i, materiales.size());
        }
    }
    return Lectura::OtraInstalacion;
}

bool DescifraClave(const std::string& clave, const std::string& cifrada, std::string& contrasena) {
    return Abre(DescifraClaveConLlave(clave, cifrada, contrasena));
}

bool Abre(Lectura lectura) {
    return lectura == Lectura::Leido || lectura == Lectura::LlaveCompartida;
}

std::string Motivo(Lectura lectura) {
    switch (lectura) {
        case Lectura::Leido:
        case Lectura::LlaveCompartida:
            return "";
        case Lectura::OtraInstalacion:
            return "written for another installation: no key of this installation opens it (or "
                   "it was altered)";
        case Lectura::Ilegible:
            break;
    }
    return "damaged, or not written by this program";
}

std::string AvisoLlaveCompartida(const std::string& ruta) {
    return ruta +
           " is encrypted under the key every copy of Velqor shares, which anyone with the program "
           "can undo; rewrite it under this installation's key: velqor-config rekey " +
           ruta;
}

}  // namespace velqor::Codificador
