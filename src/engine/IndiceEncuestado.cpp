#include "engine/IndiceEncuestado.h"

#include "common/Texto1252.h"
#include "engine/Sql.h"

namespace velqor {

std::string IndiceEncuestado::TablaVisible() const {
    // A table's own name that holds a dot is bracketed, so that it is never taken for a schema.
    const std::string propia = tabla.find('.') == std::string::npos ? tabla : "[" + tabla + "]";
    if (esquema.empty() || Mayusculas(esquema) == "DBO") return propia;
    return esquema + "." + propia;
}

std::string IndiceEncuestado::TablaSql() const {
    if (esquema.empty()) return Sql::Identificador(tabla);
    return Sql::Identificador(esquema) + "." + Sql::Identificador(tabla);
}

}  // namespace velqor
