#include "engine/Catalogo.h"

namespace velqor {

std::map<int64_t, ObjetoCatalogo> LeeCatalogo(db::Connection& conn) {
    std::map<int64_t, ObjetoCatalogo> objetos;
    conn.Recorre(
        "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
        "WHERE type = 'U' OR type = 'V'",
        {"object_id", "schema_name", "name"},
        [&](const db::FilaLeida& f) {
            if (const auto id = f.Numero(0)) {
                objetos[static_cast<int64_t>(*id)] =
                    ObjetoCatalogo{std::string(f.Texto(1)), std::string(f.Texto(2))};
            }
        },
        1);
    return objetos;
}

}  // namespace velqor
