#include "engine/IndiceEncuestado.h"

#include "common/Texto1252.h"
#include "engine/Sql.h"

namespace velqor {

std::string IndiceEncuestado::TablaVisible() const {
    if (esquema.empty() || Mayusculas(esquema) == "DBO") {
        // A name that holds a dot is bracketed, so that it is never taken for schema.table.
        return tabla.find('.') == std::string::npos ? tabla : "[" + tabla + "]";
    }
    return esquema + "." + tabla;
}

std::string IndiceEncuestado::TablaSql() const {
    if (esquema.empty()) return Sql::Identificador(tabla);
    return Sql::Identificador(esquema) + "." + Sql::Identificador(tabla);
}

}  // namespace velqor
