#include "cli/EscribirCfp.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/Clave.h"
#include "common/Archivo.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "common/Texto1252.h"
#include "components/Codificador.h"
#include "components/PerfilConexion.h"
#include "components/Politica.h"
#include "components/Utilidades.h"
#include "db/VersionControlador.h"

namespace velqor::cli {

namespace {

namespace fs = std::filesystem;

constexpr char kFinLinea = '\n';
constexpr std::string_view kExtension = ".cfp";
constexpr int32_t kTipoSqlServer = 2;

std::string Minusculas(std::string texto) {
    for (char& c : texto) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return texto;
}

// A whole number from min to max, digits only.
bool LeeEntero(std::string_view texto, int32_t minimo, int32_t maximo, int32_t& valor) {
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    return !texto.empty() && texto.front() != '-' && error == std::errc() &&
           fin == texto.data() + texto.size() && valor >= minimo && valor <= maximo;
}

// A value that fits on one "Key = value" line and reads back unchanged: no control characters
// (a line end would cut it), no blanks at either end (they are trimmed on reading).
bool ValorDeLinea(const std::string& opcion, const std::string& valor, std::string& error) {
    for (char c : valor) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            error = "--" + opcion + " must not hold control characters or line ends";
            return false;
        }
    }
    if (valor.front() == ' ' || valor.back() == ' ') {
        error = "--" + opcion + " must not begin or end with a blank";
        return false;
    }
    return true;
}

// "HOST" or "HOST,PORT" with a port from 1 to 65535.
bool ServidorValido(const std::string& servidor, std::string& error) {
    const auto coma = servidor.rfind(',');
    if (coma == std::string::npos) return true;
    int32_t puerto = 0;
    if (coma == 0 || !LeeEntero(std::string_view(servidor).substr(coma + 1), 1, 65535, puerto)) {
        error = "--server takes HOST or HOST,PORT with a port from 1 to 65535";
        return false;
    }
    return true;
}

struct Definicion {
    std::string nombre, servidor, base, controlador = "FreeTDS", usuario, claveCifrada;
    std::string cifrado;  // "", "yes" or "strict"
    std::string archivoCA;
    bool confiaCertificado = false;
    bool integrada = false;
    bool verificar = false;
    int32_t tiempoLogin = 0;  // 0: not written
    Politica politica;        // its keys are written when set
};

// The options that set the maintenance policy's keys.
constexpr std::pair<const char*, const char*> kOpcionesPolitica[] = {
    {"min-pages", "MinPages"},
    {"reorganize-above", "ReorganizeAbove"},
    {"rebuild-above", "RebuildAbove"},
    {"time-limit", "TimeLimit"},
    {"lock-timeout", "LockTimeout"}};

// The policy the options ask for: --policy recommended, each key given on its own replacing its
// value. False, with error, on a value the definition would refuse.
bool LeePolitica(const Argumentos& argumentos, Politica& politica, std::string& error) {
    const auto nombre = argumentos.Valor("policy");
    if (nombre && *nombre != "recommended") {
        error = "--policy takes \"recommended\"";
        return false;
    }
    const auto base = nombre ? Politica::Recomendada().Claves()
                             : std::vector<std::pair<std::string, std::string>>{};
    const auto valor = [&](const std::string& clave) -> std::optional<std::string> {
        for (const auto& [opcion, suya] : kOpcionesPolitica) {
            if (clave == suya && argumentos.Tiene(opcion)) return argumentos.Valor(opcion);
        }
        for (const auto& [suya, dado] : base) {
            if (clave == suya) return dado;
        }
        return std::nullopt;
    };
    return Politica::Lee(valor, politica, error);
}

std::string Texto(const Definicion& d) {
    std::string t;
    const auto linea = [&t](const std::string& texto) { t += texto + kFinLinea; };
    linea("# Velqor connection definition, written by velqor-config write-cfp.");
    linea("# The window lists it under this file's name; docs/cfp-format.md describes every key.");
    linea(
        "# The password is stored encrypted for this program: to change it, write the file again.");
    linea("[Connection]");
    linea("Name = " + d.nombre);
    linea("Kind = " + std::to_string(kTipoSqlServer));
    linea("Server = " + d.servidor);
    linea("Database = " + d.base);
    linea("Driver = " + d.controlador);
    if (!d.cifrado.empty()) linea("Encrypt = " + d.cifrado);
    if (!d.archivoCA.empty()) linea("CAFile = " + d.archivoCA);
    if (d.confiaCertificado) linea("TrustServerCertificate = yes");
    if (d.tiempoLogin > 0) linea("LoginTimeout = " + std::to_string(d.tiempoLogin));
    if (d.verificar) linea("VerifyBackup = yes");
    for (const auto& [clave, valor] : d.politica.Claves()) linea(clave + " = " + valor);
    if (d.integrada) {
        linea("Integrated = yes");
    } else {
        linea("User = " + d.usuario);
        linea("Password = " + d.claveCifrada);
    }
    return t;
}

}  // namespace

std::string EscribirCfp::Resumen() const {
    return "Write a connection definition (.cfp) with its password encrypted.";
}

std::string EscribirCfp::Ayuda() const {
    return "Usage: velqor-config write-cfp FILE.cfp --name NAME --server HOST[,PORT] --database "
           "DB\n"
           "           [--driver NAME] [--encrypt | --encrypt-strict]\n"
           "           [--ca-file PATH | --trust-server-certificate] [--login-timeout SECONDS]\n"
           "           [--verify-backup] [--policy recommended] [--min-pages N]\n"
           "           [--reorganize-above PERCENT] [--rebuild-above PERCENT]\n"
           "           [--time-limit SECONDS] [--lock-timeout SECONDS]\n"
           "           (--user NAME [--password-stdin | --password-file FILE | --password TEXT] | "
           "--integrated) "
           "[--force]\n"
           "\n"
           "Writes a connection definition for SQL Server. Put it beside the velqor program: the\n"
           "window lists it under its file name without \".cfp\". The password is encrypted for "
           "this\n"
           "program and the file is readable by its owner only. The file is loaded back as the\n"
           "program loads it before it replaces FILE.cfp.\n"
           "\n"
           "Options:\n"
           "  --name NAME              display name (used in report file names)\n"
           "  --server HOST[,PORT]     server host, host,port or host\\instance\n"
           "  --database DB            database to maintain\n"
           "  --driver NAME            ODBC driver (default FreeTDS)\n"
           "  --encrypt                require an encrypted connection; the server's certificate\n"
           "                           must chain to a trusted one and name the server's host\n"
           "  --encrypt-strict         require strict (TDS 8) encryption; refused when the\n"
           "                           installed driver cannot make it (FreeTDS before 1.4)\n"
           "  --ca-file PATH           trust the certificates in PATH (PEM) instead of the\n"
           "                           system's (FreeTDS only)\n"
           "  --trust-server-certificate  accept the server's certificate without checking it\n"
           "  --login-timeout SECONDS  login time-out, 1 to 3600 (default 30)\n"
           "  --verify-backup          take backups WITH CHECKSUM and check each with RESTORE\n"
           "                           VERIFYONLY; a backup that does not verify fails the pass\n"
           "  --policy recommended     leave indexes under 1000 pages alone, defragment from 5 %\n"
           "                           fragmentation, rebuild from 30 % (the options below\n"
           "                           replace single values); without it and them every index\n"
           "                           under 100 % scan density is treated\n"
           "  --min-pages N            leave indexes of fewer pages alone\n"
           "  --reorganize-above PERCENT  leave indexes fragmented less alone\n"
           "  --rebuild-above PERCENT  rebuild from this fragmentation (on line where the server\n"
           "                           can, when users are on line); defragment under it\n"
           "  --time-limit SECONDS     start no index treatment after this long\n"
           "  --lock-timeout SECONDS   how long an index statement waits for its lock\n"
           "  --user NAME              SQL Server login\n"
           "  --password-stdin         read its password from the first line of standard input\n"
           "  --password-file FILE     read its password from the first line of FILE\n"
           "  --password TEXT          its password (visible to other users in the process list)\n"
           "                           (none of these on a terminal: it is asked for without "
           "echo)\n"
           "  --integrated             use integrated (Kerberos) authentication instead of a "
           "login\n"
           "  --force                  replace FILE.cfp when it exists\n"
           "  --help                   show this help\n";
}

std::vector<Opcion> EscribirCfp::Opciones() const {
    std::vector<Opcion> opciones{{"name", true},
                                 {"server", true},
                                 {"database", true},
                                 {"driver", true},
                                 {"encrypt", false},
                                 {"login-timeout", true},
                                 {"encrypt-strict", false},
                                 {"ca-file", true},
                                 {"trust-server-certificate", false},
                                 {"user", true},
                                 {"integrated", false},
                                 {"force", false},
                                 {"verify-backup", false},
                                 {"policy", true}};
    for (const auto& [opcion, clave] : kOpcionesPolitica) opciones.push_back({opcion, true});
    for (Opcion& o : OpcionesClave()) opciones.push_back(std::move(o));
    return opciones;
}

int EscribirCfp::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    Definicion d;
    if (!ExigePosicionales(argumentos, 1, "FILE.cfp", consola, codigo) ||
        !ExigeValor(argumentos, "name", d.nombre, consola, codigo) ||
        !ExigeValor(argumentos, "server", d.servidor, consola, codigo) ||
        !ExigeValor(argumentos, "database", d.base, consola, codigo)) {
        return codigo;
    }
    if (argumentos.Tiene("driver") &&
        !ExigeValor(argumentos, "driver", d.controlador, consola, codigo)) {
        return codigo;
    }
    const fs::path ruta = argumentos.Posicionales()[0];
    const std::string archivo = ruta.filename().string();
    if (archivo.size() <= kExtension.size() ||
        Minusculas(ruta.extension().string()) != kExtension) {
        return MalUso(consola, "FILE must end in \".cfp\", as the window looks for it");
    }
    std::string error;
    const std::pair<const char*, const std::string*> valores[] = {{"name", &d.nombre},
                                                                  {"server", &d.servidor},
                                                                  {"database", &d.base},
                                                                  {"driver", &d.controlador}};
    for (const auto& [opcion, valor] : valores) {
        if (!ValorDeLinea(opcion, *valor, error)) return MalUso(consola, error);
    }
    if (!ServidorValido(d.servidor, error)) return MalUso(consola, error);
    if (argumentos.Tiene("encrypt") && argumentos.Tiene("encrypt-strict")) {
        return MalUso(consola, "give --encrypt or --encrypt-strict, not both");
    }
    d.cifrado = argumentos.Tiene("encrypt-strict") ? "strict"
                : argumentos.Tiene("encrypt")      ? "yes"
                                                   : "";
    if (argumentos.Tiene("ca-file")) {
        if (!ExigeValor(argumentos, "ca-file", d.archivoCA, consola, codigo)) return codigo;
        if (!ValorDeLinea("ca-file", d.archivoCA, error)) return MalUso(consola, error);
    }
    d.confiaCertificado = argumentos.Tiene("trust-server-certificate");
    if ((!d.archivoCA.empty() || d.confiaCertificado) && d.cifrado.empty()) {
        return MalUso(consola,
                      "--ca-file and --trust-server-certificate go with --encrypt or "
                      "--encrypt-strict");
    }
    if (!d.archivoCA.empty() && d.confiaCertificado) {
        return MalUso(consola, "give --ca-file or --trust-server-certificate, not both");
    }
    std::string version;
    if (d.cifrado == "strict" && !db::ConoceStrict(d.controlador, version)) {
        return Falla(consola, "the installed driver is FreeTDS " + version +
                                  ", which cannot make strict (TDS 8) connections (FreeTDS 1.4 "
                                  "or later can); use --encrypt");
    }
    d.verificar = argumentos.Tiene("verify-backup");
    if (auto tiempo = argumentos.Valor("login-timeout");
        tiempo && !LeeEntero(*tiempo, 1, 3600, d.tiempoLogin)) {
        return MalUso(consola, "--login-timeout takes a whole number of seconds from 1 to 3600");
    }

    if (!LeePolitica(argumentos, d.politica, error)) return MalUso(consola, error);

    d.integrada = argumentos.Tiene("integrated");
    if (d.integrada) {
        if (argumentos.Tiene("user") || DioClave(argumentos)) {
            return MalUso(consola, "--integrated takes no --user or password");
        }
    } else {
        if (!argumentos.Tiene("user"))
            return MalUso(consola, "give --user NAME with a password, or --integrated");
        if (!ExigeValor(argumentos, "user", d.usuario, consola, codigo)) return codigo;
        if (!ValorDeLinea("user", d.usuario, error)) return MalUso(consola, error);
        std::string clave;
        if (!LeeClave(argumentos, consola, clave, error)) return MalUso(consola, error);
        d.claveCifrada = Codificador::CifraClave(VersionPrograma::kEmpresa, clave);
        if (d.claveCifrada.empty()) return Falla(consola, "the password could not be encrypted");
    }

    std::error_code ec;
    if (fs::exists(ruta, ec) && !argumentos.Tiene("force")) {
        return Falla(consola, ruta.string() + " already exists; add --force to replace it");
    }
    // Written beside the target under a name of its own, loaded back, then moved into place.
    const fs::path carpeta = ruta.has_parent_path() ? ruta.parent_path() : fs::path(".");
    PerfilConexion perfil;
    bool cargada = true;
    const auto cargaDeVuelta = [&](const std::string& temporal) {
        const std::string nombre = fs::path(temporal).stem().string();
        cargada = perfil.Cargar(VersionPrograma::kEmpresa, carpeta.string(), nombre);
        return cargada;
    };
    if (!ReemplazaArchivo(ruta.string(), Texto(d), Permisos::Privados, cargaDeVuelta, kExtension)) {
        if (!cargada) {
            return Falla(consola, "nothing was written, the definition does not load back: " +
                                      perfil.UltimoError());
        }
        return Falla(consola, "could not write " + ruta.string());
    }
    consola.salida << "Connection definition written to " << ruta.string() << '\n';
    return kExito;
}

}  // namespace velqor::cli
