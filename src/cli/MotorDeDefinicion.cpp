#include "cli/MotorDeDefinicion.h"

#include "engine/Sql.h"

namespace velqor::cli {

bool EnlazaMotor(const Argumentos& argumentos, Velqor& motor, Definicion& definicion,
                 std::string& error) {
    if (!BuscaDefinicion(argumentos.Posicionales()[0], CarpetaDePrograma(argumentos), definicion,
                         error)) {
        return false;
    }
    motor.SoloLectura();
    bool noEsSQL = false;
    if (!motor.Crear(definicion.carpeta, definicion.entrada, "", noEsSQL)) {
        error = "the definition does not load";
        return false;
    }
    return true;
}

bool UsuarioEnTabla(db::Connection& conn, const std::string& usuario, bool comoOperador) {
    const std::string extra = comoOperador && usuario == "Admin" ? " Or Usuario_cd=1" : "";
    const auto rs = conn.Execute(
        "SELECT Usuario_cd FROM UsuariosPW WHERE Usuario_ID=" + Sql::Literal(usuario) + extra, 1);
    return rs && !rs->EOF();
}

}  // namespace velqor::cli
