#include "EscenarioVentas.h"

#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {

std::string EscenarioVentas(const std::string& duraciones, const std::string& fallos,
                            bool conUsuarios, const std::string& tablas) {
    const std::string usuarios =
        conUsuarios ? R"(, "UsuariosPW": [{"Usuario_ID": "ana", "Usuario_PW": ")" +
                          Codificador::Cifra(VersionPrograma::kEmpresa, "SECRETO") +
                          R"(", "Usuario_cd": 2}])"
                    : "";
    return R"({
  "version": 15,
  "logins": [{"user": "sa", "password": "Velqor.2024"}],
  "defaultDatabase": "Ventas",
  "durations": {)" +
           duraciones + R"(},
  "faults": [)" +
           fallos + R"(],
  "databases": [{
    "name": "Ventas", "recovery": "FULL", "backedUp": true,
    "files": [{"name": "Ventas", "type": "data", "sizeMB": 64, "usedMB": 30},
              {"name": "Ventas_log", "type": "log", "sizeMB": 32, "usedMB": 2}],
    "tables": [)" +
           (tablas.empty() ? R"(
      {"name": "Clientes", "indexes": [{"name": "PK_Clientes", "id": 1, "density": 42.5, "pages": 120}]},
      {"name": "Facturas", "indexes": [{"name": "IX_Facturas_Fecha", "id": 2, "density": 61.0, "pages": 90}]}
    )"
                           : tablas) +
           "]" + usuarios +
           R"(
  }]
})";
}

void EscribeDefinicionVentas(const CarpetaTemporal& carpeta, uint16_t puerto, int tiempoLogin) {
    EscribeBytes(carpeta.En("Ventas.cfp"),
                 "[Connection]\nName = Ventas Central\nKind = 2\nServer = 127.0.0.1," +
                     std::to_string(puerto) + "\nDatabase = Ventas\nUser = sa\nPassword = " +
                     Codificador::CifraClave(VersionPrograma::kEmpresa, "Velqor.2024") +
                     "\nLoginTimeout = " + std::to_string(tiempoLogin) + "\n");
}

}  // namespace velqor::prueba
