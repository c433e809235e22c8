#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "CarpetaFuzz.h"
#include "Objetivos.h"
#include "common/Proceso.h"
#include "components/LecturaFreeTds.h"
#include "components/PerfilConexion.h"

namespace velqor::fuzz {
namespace {

std::string Minusculas(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

// Reads a connection string back the way its driver will: attributes Key=value joined by ";",
// a braced value taken literally. FreeTDS ends a braced value at the first "}" followed by ";" or
// the end and takes other "}" as they are; the ODBC rule reads "}}" as one "}" and ends at a lone
// "}". Keys in lower case; a repeated key or a braced value that does not end breaks the promise.
std::map<std::string, std::string> LeeCadena(std::string_view cadena, bool freeTds) {
    std::map<std::string, std::string> atributos;
    while (!cadena.empty()) {
        const auto igual = cadena.find('=');
        Exige(igual != std::string_view::npos, "a connection string attribute without =");
        const std::string clave = Minusculas(cadena.substr(0, igual));
        cadena.remove_prefix(igual + 1);
        std::string valor;
        if (!cadena.empty() && cadena.front() == '{') {
            size_t i = 1;
            for (;; ++i) {
                Exige(i < cadena.size(), "a braced connection string value that does not end");
                if (cadena[i] != '}') {
                    valor.push_back(cadena[i]);
                } else if (freeTds) {
                    if (i + 1 == cadena.size() || cadena[i + 1] == ';') break;
                    valor.push_back('}');
                } else if (i + 1 < cadena.size() && cadena[i + 1] == '}') {
                    valor.push_back('}');
                    ++i;
                } else {
                    break;
                }
            }
            cadena.remove_prefix(i + 1);
            Exige(cadena.empty() || cadena.front() == ';',
                  "a braced connection string value followed by more than ;");
        } else {
            valor = std::string(cadena.substr(0, cadena.find(';')));
            cadena.remove_prefix(valor.size());
        }
        if (!cadena.empty()) cadena.remove_prefix(1);
        Exige(atributos.emplace(clave, std::move(valor)).second,
              "a connection string names one attribute twice");
    }
    return atributos;
}

std::string_view Recorta(std::string_view s) {
    const auto inicio = s.find_first_not_of(" \t");
    if (inicio == std::string_view::npos) return {};
    return s.substr(inicio, s.find_last_not_of(" \t") - inicio + 1);
}

bool NombraFreeTds(const std::string& controlador) {
    const std::string c = Minusculas(controlador);
    return c.find("freetds") != std::string::npos || c.find("tdsodbc") != std::string::npos;
}

void CompruebaCadena(const PerfilConexion& perfil, bool conClave) {
    std::string cadena;
    try {
        cadena = perfil.CadenaConexion(VersionPrograma::kEmpresa, conClave);
    } catch (const std::exception& e) {
        throw Incumplimiento(std::string("a loaded definition gives no connection string: ") +
                             e.what());
    }
    // The driver comes first and always braced, and its name holds no brace.
    constexpr std::string_view kDriver = "Driver={";
    Exige(cadena.rfind(kDriver, 0) == 0, "a connection string that does not start with its driver");
    const std::string controlador =
        cadena.substr(kDriver.size(), cadena.find('}') - kDriver.size());
    const auto atributos = LeeCadena(cadena, NombraFreeTds(controlador));
    const auto valor = [&atributos](const std::string& clave) {
        const auto it = atributos.find(clave);
        return it == atributos.end() ? std::string("<missing>") : it->second;
    };
    Exige(valor("database") == perfil.NombreBase(),
          "the connection string's Database is not the definition's");
    if (atributos.count("servername")) {
        // A FreeTDS that checks the certificate finds the server in the freetds.conf section.
        const std::string seccion = perfil.ConfFreeTds();
        const std::string_view servidor = perfil.Servidor();
        const std::string_view host =
            Recorta(servidor.substr(0, std::min(servidor.rfind(','), servidor.find('\\'))));
        Exige(valor("servername") == "velqor" && seccion.rfind("[velqor]\n", 0) == 0 &&
                  seccion.find("\thost = " + std::string(host) + "\n") != std::string::npos,
              "the connection string's Servername has not the definition's server");
        // What FreeTDS reads back from the section is exactly what the definition asks for: a
        // misread value could drop the certificate check without a word.
        const auto leidas = LecturaFreeTds::Seccion(seccion, "velqor");
        const auto leida = [&leidas](const std::string& opcion) {
            const auto it = leidas.find(opcion);
            return it == leidas.end() ? std::string("<missing>") : it->second;
        };
        Exige(leida("host") == host &&
                  leida("ca file") ==
                      (perfil.ArchivoCA().empty() ? std::string("system") : perfil.ArchivoCA()) &&
                  leida("check certificate hostname") == "yes",
              "FreeTDS would read other certificate checks than the definition's");
    } else if (atributos.count("port")) {
        // FreeTDS gets "host,port" as two attributes, each without the blanks around the comma.
        const std::string_view servidor = perfil.Servidor();
        const auto coma = servidor.rfind(',');
        Exige(coma != std::string_view::npos, "a Port attribute for a server without a port");
        int puerto = 0;
        const std::string_view texto = Recorta(servidor.substr(coma + 1));
        std::from_chars(texto.data(), texto.data() + texto.size(), puerto);
        Exige(valor("server") == Recorta(servidor.substr(0, coma)) &&
                  valor("port") == std::to_string(puerto),
              "the connection string's Server and Port are not the definition's");
    } else {
        Exige(valor("server") == perfil.Servidor(),
              "the connection string's Server is not the definition's");
    }
    Exige(conClave == (atributos.count("pwd") == 1) || atributos.count("trusted_connection") == 1,
          "the connection string's password is there when left out, or missing when asked for");
}

}  // namespace

int FuzzPerfilConexion(const uint8_t* datos, size_t largo) {
    const CarpetaFuzz& carpeta = CarpetaFuzz::DelProceso();
    carpeta.Escribe("Perfil.cfp", std::string_view(reinterpret_cast<const char*>(datos), largo));
    PerfilConexion perfil;
    if (!perfil.Cargar(VersionPrograma::kEmpresa, carpeta.Ruta(), "Perfil")) {
        Exige(!perfil.UltimoError().empty(), "a refused definition does not say why");
        Exige(perfil.Nombre().empty() && perfil.Servidor().empty() && perfil.NombreBase().empty() &&
                  perfil.TipoBase() == 0,
              "a refused definition keeps values");
        return 0;
    }
    Exige(perfil.UltimoError().empty(), "a loaded definition keeps an error");
    Exige(!perfil.Nombre().empty(), "a loaded definition without a name");
    CompruebaCadena(perfil, true);
    CompruebaCadena(perfil, false);
    // The policy writes back (write-cfp) the keys that read it again unchanged.
    const Politica& politica = perfil.PoliticaDefinida();
    const auto claves = politica.Claves();
    Politica releida;
    std::string error;
    Exige(Politica::Lee(
              [&claves](const std::string& clave) -> std::optional<std::string> {
                  for (const auto& [k, v] : claves)
                      if (k == clave) return v;
                  return std::nullopt;
              },
              releida, error),
          "a loaded policy's keys do not read back");
    Exige(releida.Claves() == claves && releida.minPaginas == politica.minPaginas &&
              releida.reorganizaDesde == politica.reorganizaDesde &&
              releida.reconstruyeDesde == politica.reconstruyeDesde &&
              releida.limiteSegundos == politica.limiteSegundos &&
              releida.esperaBloqueo == politica.esperaBloqueo,
          "a loaded policy reads back changed");
    return 0;
}

}  // namespace velqor::fuzz
