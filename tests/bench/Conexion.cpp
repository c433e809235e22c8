#include "Conexion.h"

#include <stdexcept>

#include "common/Proceso.h"
#include "components/PerfilConexion.h"
#include "db/OdbcConnection.h"

namespace velqor::bench {

std::string CadenaConexion(const std::string& carpeta, const std::string& nombre) {
    PerfilConexion perfil;
    if (!perfil.Cargar(VersionPrograma::kEmpresa, carpeta, nombre)) {
        throw std::runtime_error(perfil.UltimoError());
    }
    return perfil.CadenaConexion(VersionPrograma::kEmpresa, true);
}

std::unique_ptr<db::Connection> AbreConexion(const std::string& carpeta, const std::string& nombre) {
    auto conn = db::NuevaConexionOdbc();
    conn->SetCommandTimeout(0);
    conn->Open(CadenaConexion(carpeta, nombre), "", "");
    return conn;
}

}  // namespace velqor::bench
