#include "EscenarioPrueba.h"

namespace velqor::prueba {

nlohmann::json EscenarioPrueba() {
    return nlohmann::json::parse(R"({
      "version": 15,
      "logins": [{"user": "sa", "password": "Clave;1"}],
      "databases": [
        {"name": "Ventas", "recovery": "FULL", "backedUp": true,
         "files": [{"name": "Ventas", "type": "data", "sizeMB": 64, "usedMB": 40},
                   {"name": "Ventas_log", "type": "log", "sizeMB": 32, "usedMB": 2},
                   {"name": "Otro log", "type": "log", "sizeMB": 8, "usedMB": 1}],
         "tables": [
           {"name": "Clientes", "indexes": [{"name": "PK_Clientes", "id": 1, "density": 42.5, "pages": 800},
                                            {"name": "IX Nombre]x", "id": 2, "density": 88.25}]},
           {"name": "O'Brien", "indexes": [{"id": 0, "density": 35},
                                           {"name": "IX_OBrien", "id": 2, "density": 70}]},
           {"name": "Clientes", "schema": "Sales",
            "indexes": [{"name": "PK_SClientes", "id": 1, "density": 12.5}]},
           {"name": "Sales.Clientes", "indexes": [{"name": "PK_Punto", "id": 1, "density": 33}]}],
         "UsuariosPW": [{"Usuario_ID": "Admin", "Usuario_PW": "AAA", "Usuario_cd": 1},
                        {"Usuario_ID": "O'Brien", "Usuario_PW": "BBB", "Usuario_cd": 2}]},
        {"name": "Mi Base", "recovery": "SIMPLE", "backedUp": false,
         "tables": [{"name": "T", "indexes": [{"name": "PK_T", "id": 1, "density": 50}]}]},
        {"name": "Nueva", "recovery": "FULL", "backedUp": false}
      ]
    })");
}

}  // namespace velqor::prueba
