#include "cli/CifrarClave.h"

#include "cli/Clave.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "common/Texto1252.h"
#include "components/Codificador.h"

namespace velqor::cli {

std::string CifrarClave::Resumen() const {
    return "Print the stored form of a password for UsuariosPW.Usuario_PW.";
}

std::string CifrarClave::Ayuda() const {
    return "Usage: velqor-config hash-password [--password-stdin | --password-file FILE | "
           "--password TEXT]\n"
           "\n"
           "Prints the coded form of the password, the value to store in the column Usuario_PW of\n"
           "the application's table UsuariosPW. Passwords are not case sensitive: the password is\n"
           "upper-cased before it is coded, as the operator check does. Example:\n"
           "\n"
           "  printf '%s\\n' \"$PW\" | velqor-config hash-password --password-stdin\n"
           "\n"
           "Options:\n"
           "  --password-stdin   read the password from the first line of standard input\n"
           "  --password-file FILE  read the password from the first line of FILE\n"
           "  --password TEXT    the password (visible to other users in the process list)\n"
           "  (none of these on a terminal: the password is asked for without echo)\n"
           "  --help             show this help\n";
}

std::string CifrarClave::FormaGuardada(const std::string& clave) {
    return Codificador::Cifra(VersionPrograma::kEmpresa, Mayusculas(clave));
}

std::vector<Opcion> CifrarClave::Opciones() const { return OpcionesClave(); }

int CifrarClave::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 0, "", consola, codigo)) return codigo;
    std::string clave, error;
    if (!LeeClave(argumentos, consola, clave, error)) return MalUso(consola, error);
    // The operator check refuses a blank password before it looks at the table.
    if (EnBlanco(clave)) return MalUso(consola, "the password must not be blank");
    const std::string cifrada = FormaGuardada(clave);
    if (cifrada.empty()) return Falla(consola, "the password could not be coded");
    consola.salida << cifrada << '\n';
    return kExito;
}

}  // namespace velqor::cli
