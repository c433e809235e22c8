#include "components/PerfilConexion.h"

#include <charconv>
#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Archivo.h"
#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/LecturaFreeTds.h"
#include "components/Matrices.h"
#include "components/Utilidades.h"

namespace velqor {

namespace {

constexpr std::size_t kMaximoArchivo = 1024 * 1024;
constexpr std::string_view kExtension = ".cfp";
constexpr std::string_view kSeccion = "connection";
constexpr std::string_view kClaves[] = {
    "name",         "kind",       "server",          "database",
    "driver",       "encrypt",    "cafile",          "trustservercertificate",
    "user",         "password",   "integrated",      "logintimeout",
    "verifybackup", "minpages",   "reorganizeabove", "rebuildabove",
    "timelimit",    "locktimeout"};

// The freetds.conf section that carries the certificate checks (FreeTDS 1.3 reads a CA file only
// from freetds.conf, never from the connection string).
constexpr std::string_view kSeccionFreeTds = "velqor";

std::string Minusculas(std::string_view texto) {
    std::string s(texto);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::string_view Recorta(std::string_view s) {
    const auto primero = s.find_first_not_of(" \t");
    if (primero == std::string_view::npos) return {};
    return s.substr(primero, s.find_last_not_of(" \t") - primero + 1);
}

// True when texto is well-formed UTF-8 without control characters other than tab and line ends.
bool EsTextoValido(std::string_view texto) {
    for (std::size_t i = 0; i < texto.size();) {
        const auto c = static_cast<unsigned char>(texto[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
            ++i;
            continue;
        }
        std::size_t largo = 0;
        char32_t punto = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            largo = 2;
            punto = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            largo = 3;
            punto = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            largo = 4;
            punto = c & 0x07;
        } else {
            return false;
        }
        if (i + largo > texto.size()) return false;
        for (std::size_t k = 1; k < largo; ++k) {
            const auto sig = static_cast<unsigned char>(texto[i + k]);
            if ((sig & 0xC0) != 0x80) return false;
            punto = (punto << 6) | (sig & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and points beyond U+10FFFF are not text.
        const char32_t minimo = largo == 2 ? 0x80 : largo == 3 ? 0x800 : 0x10000;
        if (punto < minimo || (punto >= 0xD800 && punto <= 0xDFFF) || punto > 0x10FFFF)
            return false;
        i += largo;
    }
    return true;
}

// A whole number from digits with an optional leading "-"; false on anything else or overflow.
bool LeeEntero(std::string_view texto, int32_t& valor) {
    if (texto.empty() || texto.front() == '+') return false;
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    return error == std::errc() && fin == texto.data() + texto.size();
}

bool ControladorFreeTds(std::string_view controlador) {
    const std::string c = Minusculas(controlador);
    return c.find("freetds") != std::string::npos || c.find("tdsodbc") != std::string::npos;
}

// The port after the last "," of a server text, or 0 when there is none.
int32_t Puerto(std::string_view servidor, std::string_view& host) {
    const auto coma = servidor.rfind(',');
    host = servidor;
    if (coma == std::string_view::npos) return 0;
    int32_t puerto = 0;
    if (!LeeEntero(Recorta(servidor.substr(coma + 1)), puerto) || puerto < 1 || puerto > 65535) {
        return -1;
    }
    host = Recorta(servidor.substr(0, coma));
    return puerto;
}

// One "key=value" attribute of an ODBC connection string. A value that the grammar would misread
// (holding ; { } or blanks at either end) is braced. Drivers read braced values two ways: the ODBC
// rule doubles every "}" inside; FreeTDS takes the text up to the first "}" followed by ";" or the
// end, with every other "}" as it is, so for it nothing is doubled and "};" cannot be passed at all
// (ErrorEjecucion).
std::string Atributo(std::string_view clave, std::string_view valor, bool freeTds) {
    const bool llaves = valor.find_first_of(";{}") != std::string_view::npos ||
                        (!valor.empty() && (valor.front() == ' ' || valor.front() == '\t' ||
                                            valor.back() == ' ' || valor.back() == '\t'));
    std::string texto(clave);
    texto.push_back('=');
    if (!llaves) return texto.append(valor);
    if (freeTds && valor.find("};") != std::string_view::npos) {
        throw ErrorEjecucion(
            errores::kFalloGeneral,
            Mensaje("the |1 value holds \"};\", which the FreeTDS driver cannot read",
                    {Valor::Texto(std::string(clave))}));
    }
    texto.push_back('{');
    for (char c : valor) {
        texto.push_back(c);
        if (c == '}' && !freeTds) texto.push_back('}');
    }
    texto.push_back('}');
    return texto;
}

// The definition's file: carpeta/nombre.cfp, or, when that is missing, the file whose name is
// nombre and an extension ".cfp" in another case ("Ventas.CFP"), since the database list takes
// those too.
std::string RutaDefinicion(const std::string& carpeta, const std::string& nombre) {
    const std::string ruta = UneRuta(carpeta, nombre + std::string(kExtension));
    int32_t atributos = 0;
    if (Utilidades::ExisteArchivo(ruta, atributos)) return ruta;
    std::vector<std::string> nombres;
    if (!Matrices::ListaArchivos(nombres, carpeta, "*" + std::string(kExtension))) return ruta;
    for (const std::string& n : nombres) {
        if (n.size() == nombre.size() + kExtension.size() &&
            n.compare(0, nombre.size(), nombre) == 0) {
            return UneRuta(carpeta, n);
        }
    }
    return ruta;
}

// Thrown inside Cargar with the reason; caught at its boundary.
struct Defecto {
    std::string motivo;
};

[[noreturn]] void Falla(std::string_view plantilla, const std::vector<Valor>& valores = {}) {
    throw Defecto{Mensaje(plantilla, valores)};
}

// The key/value pairs of the file, keys in lower case.
std::map<std::string, std::string> LeeClaves(std::string_view texto) {
    if (texto.substr(0, 3) == "\xEF\xBB\xBF") texto.remove_prefix(3);
    if (!EsTextoValido(texto)) Falla("the file is not UTF-8 text");
    std::map<std::string, std::string> claves;
    bool conSeccion = false;
    int32_t numero = 0;
    while (!texto.empty()) {
        ++numero;
        const auto salto = texto.find('\n');
        std::string_view linea = texto.substr(0, salto);
        texto.remove_prefix(salto == std::string_view::npos ? texto.size() : salto + 1);
        if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
        linea = Recorta(linea);
        if (linea.empty() || linea.front() == '#' || linea.front() == ';') continue;
        if (linea.front() == '[') {
            if (linea.back() != ']' ||
                Minusculas(Recorta(linea.substr(1, linea.size() - 2))) != kSeccion) {
                Falla("line |1: the only section allowed is [Connection]", {Valor::Largo(numero)});
            }
            if (conSeccion || !claves.empty()) {
                Falla("line |1: [Connection] must come once, before the keys",
                      {Valor::Largo(numero)});
            }
            conSeccion = true;
            continue;
        }
        const auto igual = linea.find('=');
        if (igual == std::string_view::npos) {
            Falla("line |1 is not of the form Key = value", {Valor::Largo(numero)});
        }
        const std::string_view nombre = Recorta(linea.substr(0, igual));
        const std::string clave = Minusculas(nombre);
        bool conocida = false;
        for (std::string_view k : kClaves) conocida = conocida || k == clave;
        if (!conocida) {
            Falla("line |1: unknown key \"|2\"",
                  {Valor::Largo(numero), Valor::Texto(std::string(nombre))});
        }
        if (!claves.emplace(clave, std::string(Recorta(linea.substr(igual + 1)))).second) {
            Falla("line |1: the key \"|2\" is given twice",
                  {Valor::Largo(numero), Valor::Texto(std::string(nombre))});
        }
    }
    return claves;
}

bool LeeSiNo(std::string_view clave, const std::string& valor) {
    const std::string v = Minusculas(valor);
    if (v == "yes" || v == "true") return true;
    if (v == "no" || v == "false") return false;
    Falla("|1 must be yes or no", {Valor::Texto(std::string(clave))});
}

}  // namespace

void PerfilConexion::CompruebaAjustesFreeTds(const PerfilConexion& p) {
    const std::vector<AjusteFreeTds> ajustes = p.AjustesFreeTds();
    std::map<std::string, std::string> esperados;
    for (const AjusteFreeTds& a : ajustes) {
        if (const std::string motivo = LecturaFreeTds::PorQueNoCabe(a.opcion, a.valor);
            !motivo.empty()) {
            Falla("|1 cannot be handed to FreeTDS for the certificate check: |2",
                  {Valor::Texto(a.clave), Valor::Texto(motivo)});
        }
        esperados[a.opcion] = a.valor;
    }
    if (Minusculas(p.archivoCA_) == "system") {
        Falla(
            "CAFile cannot be \"system\", which FreeTDS takes for the system's trusted "
            "certificates: leave CAFile out for those, or write ./system for a file of that name");
    }
    // The whole text, read back as FreeTDS reads it, must say exactly what was meant.
    if (p.ComprobacionesFreeTds() != esperados) {
        Falla("the certificate checks would not reach FreeTDS as written");
    }
}

bool PerfilConexion::Cargar(const std::string& clave, const std::string& carpeta,
                            const std::string& nombre) {
    std::string ruta = UneRuta(carpeta, nombre + std::string(kExtension));
    try {
        if (nombre.find('/') != std::string::npos || nombre.find('\0') != std::string::npos) {
            Falla("a definition name cannot hold a folder");
        }
        ruta = RutaDefinicion(carpeta, nombre);
        std::string bytes;
        if (!LeeArchivo(ruta, bytes, kMaximoArchivo)) {
            Falla("the file is missing, unreadable or larger than 1 MB");
        }
        auto claves = LeeClaves(bytes);
        const auto toma = [&claves](std::string_view k) {
            const auto it = claves.find(std::string(k));
            return it == claves.end() ? std::string() : it->second;
        };
        const auto tiene = [&claves](std::string_view k) {
            return claves.count(std::string(k)) > 0;
        };

        PerfilConexion p;
        Codificador::Lectura lectura = Codificador::Lectura::Leido;
        p.nombre_ = toma("name").empty() ? nombre : toma("name");
        // Report files are named after it: it must not lead out of the program's folder.
        if (const std::string dado = toma("name"); dado.find_first_of("/\\") != std::string::npos ||
                                                   dado.find("..") != std::string::npos) {
            Falla("Name cannot hold a path separator (/ or \\) or \"..\"");
        }
        if (!tiene("kind")) Falla("Kind is missing");
        if (!LeeEntero(toma("kind"), p.tipo_)) Falla("Kind must be a whole number");
        p.servidor_ = toma("server");
        if (p.servidor_.empty()) Falla("Server is missing");
        std::string_view host;
        if (Puerto(p.servidor_, host) < 0)
            Falla("the port after \",\" in Server must be 1 to 65535");
        p.base_ = toma("database");
        if (p.base_.empty()) Falla("Database is missing");
        if (tiene("driver")) {
            p.controlador_ = toma("driver");
            if (p.controlador_.empty()) Falla("Driver is empty");
            if (p.controlador_.find_first_of(";{}") != std::string::npos) {
                Falla("Driver cannot hold ; { or }");
            }
        }
        if (tiene("encrypt")) {
            p.cifrado_ = Minusculas(toma("encrypt"));
            if (p.cifrado_ != "no" && p.cifrado_ != "yes" && p.cifrado_ != "strict") {
                Falla("Encrypt must be no, yes or strict");
            }
        }
        if (tiene("cafile")) {
            p.archivoCA_ = toma("cafile");
            if (p.archivoCA_.empty()) Falla("CAFile is empty");
        }
        p.confiaCertificado_ = tiene("trustservercertificate") &&
                               LeeSiNo("TrustServerCertificate", toma("trustservercertificate"));
        if ((tiene("cafile") || p.confiaCertificado_) && p.cifrado_ != "yes" &&
            p.cifrado_ != "strict") {
            Falla("CAFile and TrustServerCertificate need Encrypt = yes or strict");
        }
        if (tiene("cafile") && p.confiaCertificado_) {
            Falla("give CAFile or TrustServerCertificate = yes, not both");
        }
        if (tiene("cafile") && !ControladorFreeTds(p.controlador_)) {
            Falla(
                "CAFile is read by the FreeTDS driver only; other drivers use the system's "
                "trusted certificates");
        }
        if (tiene("logintimeout") && (!LeeEntero(toma("logintimeout"), p.tiempoLogin_) ||
                                      p.tiempoLogin_ < 1 || p.tiempoLogin_ > 3600)) {
            Falla("LoginTimeout must be a whole number of seconds from 1 to 3600");
        }
        p.verificaBackup_ = tiene("verifybackup") && LeeSiNo("VerifyBackup", toma("verifybackup"));
        std::string motivo;
        const auto politica = [&](const std::string& k) -> std::optional<std::string> {
            if (!tiene(Minusculas(k))) return std::nullopt;
            return toma(Minusculas(k));
        };
        if (!Politica::Lee(politica, p.politica_, motivo)) Falla("|1", {Valor::Texto(motivo)});
        p.integrada_ = tiene("integrated") && LeeSiNo("Integrated", toma("integrated"));
        if (p.integrada_) {
            if (tiene("user") || tiene("password"))
                Falla("Integrated = yes takes no User or Password");
        } else {
            p.usuario_ = toma("user");
            if (p.usuario_.empty()) Falla("User is missing (or give Integrated = yes)");
            if (!tiene("password")) Falla("Password is missing");
            p.claveCifrada_ = toma("password");
            if (p.claveCifrada_.rfind("enc:", 0) != 0) {
                Falla(
                    "the password is not in its encrypted form (enc:...); passwords in clear are "
                    "refused");
            }
            std::string prueba;
            lectura = Codificador::DescifraClaveConLlave(clave, p.claveCifrada_, prueba);
            if (lectura == Codificador::Lectura::OtraInstalacion) {
                Falla(
                    "the password cannot be decrypted, it was |1; write the definition again on "
                    "this installation (velqor-config write-cfp)",
                    {Valor::Texto(Codificador::Motivo(lectura))});
            }
            if (!Codificador::Abre(lectura)) {
                Falla("the password cannot be decrypted (|1)",
                      {Valor::Texto(Codificador::Motivo(lectura))});
            }
        }
        p.cargado_ = true;
        // Every value must reach the driver intact, the certificate checks included.
        p.CadenaConexion(clave, true);
        CompruebaAjustesFreeTds(p);
        *this = std::move(p);
        if (lectura == Codificador::Lectura::LlaveCompartida) {
            RegistraAviso(Codificador::AvisoLlaveCompartida(ruta), "");
        }
        return true;
    } catch (const Defecto& d) {
        *this = PerfilConexion();
        error_ =
            Mensaje("Connection definition |1: |2", {Valor::Texto(ruta), Valor::Texto(d.motivo)});
    } catch (const std::exception& e) {
        *this = PerfilConexion();
        error_ =
            Mensaje("Connection definition |1: |2", {Valor::Texto(ruta), Valor::Texto(e.what())});
    }
    return false;
}

std::string PerfilConexion::CadenaConexion(const std::string& clave, bool conClave) const {
    if (!cargado_) {
        throw ErrorEjecucion(errores::kFalloGeneral, "No connection definition is loaded");
    }
    const bool freeTds = ControladorFreeTds(controlador_);
    std::vector<std::string> partes;
    partes.push_back("Driver={" + controlador_ + "}");
    std::string_view host;
    const int32_t puerto = Puerto(servidor_, host);
    if (!ConfFreeTds().empty()) {
        partes.push_back("Servername=" + std::string(kSeccionFreeTds));
    } else if (freeTds && puerto > 0) {
        partes.push_back(Atributo("Server", host, freeTds));
        partes.push_back(Atributo("Port", std::to_string(puerto), freeTds));
    } else {
        partes.push_back(Atributo("Server", servidor_, freeTds));
    }
    partes.push_back(Atributo("Database", base_, freeTds));
    if (integrada_) {
        partes.push_back("Trusted_Connection=yes");
    } else {
        partes.push_back(Atributo("UID", usuario_, freeTds));
        if (conClave) {
            std::string contrasena;
            if (!Codificador::DescifraClave(clave, claveCifrada_, contrasena)) {
                throw ErrorEjecucion(errores::kFalloGeneral,
                                     "The connection definition's password cannot be decrypted");
            }
            partes.push_back(Atributo("PWD", contrasena, freeTds));
        }
    }
    if (freeTds) {
        partes.push_back("TDS_Version=7.4");
        partes.push_back("ClientCharset=UTF-8");
    }
    if (!cifrado_.empty()) {
        if (freeTds) {
            const char* nivel = cifrado_ == "no" ? "off" : cifrado_ == "yes" ? "require" : "strict";
            partes.push_back(Atributo("Encryption", nivel, freeTds));
        } else {
            partes.push_back(Atributo("Encrypt", cifrado_, freeTds));
            if (confiaCertificado_) partes.push_back("TrustServerCertificate=yes");
        }
    }
    std::string cadena;
    for (const std::string& parte : partes) {
        if (!cadena.empty()) cadena.push_back(';');
        cadena.append(parte);
    }
    return cadena;
}

bool PerfilConexion::DestinoTcp(std::string& host, uint16_t& puerto) const {
    constexpr uint16_t kPuertoSqlServer = 1433;
    std::string_view h;
    const int32_t p = Puerto(servidor_, h);
    const auto barra = h.find('\\');
    if (p < 0 || (p == 0 && barra != std::string_view::npos)) return false;
    host = std::string(h.substr(0, barra));
    puerto = p > 0 ? static_cast<uint16_t>(p) : kPuertoSqlServer;
    return true;
}

bool PerfilConexion::CompruebaArchivoCA(std::string& motivo) const {
    if (archivoCA_.empty()) return true;
    // FreeTDS loads the whole file; a bundle of every public authority is well under this.
    constexpr std::size_t kMaximoCA = 16 * 1024 * 1024;
    std::string bytes;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(archivoCA_, ec)) {
        motivo =
            Mensaje("The CAFile |1 does not exist or is not a file", {Valor::Texto(archivoCA_)});
    } else if (!LeeArchivo(archivoCA_, bytes, kMaximoCA)) {
        motivo = Mensaje("The CAFile |1 cannot be read (no permission, or larger than 16 MB)",
                         {Valor::Texto(archivoCA_)});
    } else if (bytes.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        motivo = Mensaje("The CAFile |1 holds no PEM certificate", {Valor::Texto(archivoCA_)});
    } else {
        return true;
    }
    return false;
}

bool PerfilConexion::EsFreeTds() const { return ControladorFreeTds(controlador_); }

std::vector<PerfilConexion::AjusteFreeTds> PerfilConexion::AjustesFreeTds() const {
    if (!cargado_ || !EsFreeTds() || (cifrado_ != "yes" && cifrado_ != "strict") ||
        confiaCertificado_) {
        return {};
    }
    std::string_view host;
    const int32_t puerto = Puerto(servidor_, host);
    std::string instancia;
    if (const auto barra = host.find('\\'); barra != std::string_view::npos) {
        // With a port the instance's name is not needed to find it.
        if (puerto == 0) instancia = std::string(host.substr(barra + 1));
        host = host.substr(0, barra);
    }
    std::vector<AjusteFreeTds> ajustes{{"host", std::string(host), "Server"}};
    if (puerto > 0) ajustes.push_back({"port", std::to_string(puerto), "Server"});
    if (!instancia.empty()) ajustes.push_back({"instance", instancia, "Server"});
    ajustes.push_back(
        {"ca file", archivoCA_.empty() ? std::string("system") : archivoCA_, "CAFile"});
    ajustes.push_back({"check certificate hostname", "yes", ""});
    return ajustes;
}

std::string PerfilConexion::ConfFreeTds() const {
    const std::vector<AjusteFreeTds> ajustes = AjustesFreeTds();
    if (ajustes.empty()) return "";
    std::string texto = "[" + std::string(kSeccionFreeTds) + "]\n";
    for (const AjusteFreeTds& a : ajustes) texto += LecturaFreeTds::Linea(a.opcion, a.valor);
    return texto;
}

std::map<std::string, std::string> PerfilConexion::ComprobacionesFreeTds() const {
    return LecturaFreeTds::Seccion(ConfFreeTds(), kSeccionFreeTds);
}

}  // namespace velqor
