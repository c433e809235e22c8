#include "cli/FijarUsuario.h"

#include <cctype>
#include <exception>
#include <optional>
#include <string>

#include "cli/AvisosEnConsola.h"
#include "cli/CifrarClave.h"
#include "cli/Clave.h"
#include "cli/MotorDeDefinicion.h"
#include "common/General.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor::cli {
namespace {

// The statement that stores usuario's password (and code): an UPDATE of its row when it has one,
// otherwise an INSERT, which needs a code.
std::string Sentencia(bool existe, const std::string& usuario, const std::string& cifrada,
                      const std::optional<std::string>& codigo) {
    if (existe) {
        return "UPDATE UsuariosPW SET Usuario_PW=" + Sql::Literal(cifrada) +
               (codigo ? ", Usuario_cd=" + *codigo : "") +
               " WHERE Usuario_ID=" + Sql::Literal(usuario);
    }
    return "INSERT INTO UsuariosPW (Usuario_ID, Usuario_PW, Usuario_cd) VALUES (" +
           Sql::Literal(usuario) + ", " + Sql::Literal(cifrada) + ", " + codigo.value_or("") + ")";
}

// True when the answer line says yes ("y" or "yes", any case, blanks around).
bool DiceQueSi(std::string respuesta) {
    std::string limpia;
    for (const char c : respuesta) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            limpia += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return limpia == "y" || limpia == "yes";
}

// A whole number, as the column Usuario_cd takes it.
bool EsCodigo(const std::string& texto) {
    if (texto.empty() || texto.size() > 9) return false;
    for (const char c : texto) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

std::string FijarUsuario::Resumen() const {
    return "Add an application user to UsuariosPW, or change its password.";
}

std::string FijarUsuario::Ayuda() const {
    return "Usage: velqor-config set-user DEFINITION --user NAME [--code N] [--yes]\n"
           "         [--password-stdin | --password-file FILE | --password TEXT]\n"
           "         [--program-folder DIR]\n"
           "\n"
           "Connects to the database of DEFINITION (a .cfp file, or an entry name looked up in\n"
           "the program folder) and stores the password of the application user NAME in the\n"
           "table UsuariosPW (docs/user-table.md): an UPDATE of its row when it has one, an\n"
           "INSERT with code N otherwise. The statement is shown first and sent only when you\n"
           "answer y; --yes sends it without asking (for scripts). The definition's login needs\n"
           "INSERT and UPDATE on the table.\n"
           "Exit status: 0 the user was stored; 1 the server refused it, or it was not sent;\n"
           "2 the command line is wrong.\n"
           "\n"
           "Options:\n"
           "  --user NAME           the application user (Usuario_ID)\n"
           "  --code N              its code (Usuario_cd; 1 may also sign in as Admin); needed\n"
           "                        for a new user, changed for an existing one\n"
           "  --yes                 send the statement without asking\n"
           "  --password-stdin      read the password from the first line of standard input\n"
           "  --password-file FILE  read the password from the first line of FILE\n"
           "  --password TEXT       the password (visible to other users in the process list)\n"
           "  --program-folder DIR  where entries are looked up (default: this program's folder)\n"
           "  --help                show this help\n";
}

std::vector<Opcion> FijarUsuario::Opciones() const {
    std::vector<Opcion> opciones{
        {"user", true}, {"code", true}, {"yes", false}, {"program-folder", true}};
    for (Opcion& o : OpcionesClave()) opciones.push_back(std::move(o));
    return opciones;
}

int FijarUsuario::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    std::string usuario;
    if (!ExigePosicionales(argumentos, 1, "DEFINITION", consola, codigo) ||
        !ExigeValor(argumentos, "user", usuario, consola, codigo)) {
        return codigo;
    }
    const std::optional<std::string> numero = argumentos.Valor("code");
    if (numero && !EsCodigo(*numero)) return MalUso(consola, "--code takes a whole number");
    std::string clave, error;
    if (!LeeClave(argumentos, consola, clave, error)) return MalUso(consola, error);
    // The operator check refuses a blank password before it looks at the table.
    if (EnBlanco(clave)) return MalUso(consola, "the password must not be blank");

    Definicion definicion;
    const AvisosEnConsola avisos(consola);
    Velqor motor;
    if (!EnlazaMotor(argumentos, motor, definicion, error)) return Falla(consola, error);
    try {
        auto conn = motor.AbreConexion();
        const bool existe = UsuarioEnTabla(*conn, usuario, false);
        if (!existe && !numero) {
            return MalUso(consola, "the user " + usuario + " is new: give its code with --code");
        }
        const std::string sql =
            Sentencia(existe, usuario, CifrarClave::FormaGuardada(clave), numero);
        consola.salida << sql << '\n';
        if (!argumentos.Tiene("yes")) {
            consola.salida << "Send this statement to " << definicion.entrada << "? [y/N] "
                           << std::flush;
            std::string respuesta;
            if (!std::getline(consola.entrada, respuesta) || !DiceQueSi(respuesta)) {
                return Falla(consola, "nothing was sent");
            }
        }
        conn->Execute(sql, 1);
        conn->Close();
        consola.salida << (existe ? "User " + usuario + " changed\n" : "User " + usuario + " added\n");
        return kExito;
    } catch (const std::exception& e) {
        return Falla(consola, ErrorAtrapado::De(e).descripcion);
    }
}

}  // namespace velqor::cli
