#include "db/FilaBloque.h"

#include <algorithm>

#include "db/ErroresAdo.h"

namespace velqor::db {

std::vector<Descripcion> FilaBloque::Elegidas(SQLHSTMT sentencia, SQLSMALLINT columnas,
                                              const std::vector<std::string>& nombres) {
    const std::vector<Descripcion> todas = DescribeTodas(sentencia, columnas);
    std::vector<Descripcion> elegidas;
    for (const std::string& nombre : nombres) {
        const auto d = std::find_if(todas.begin(), todas.end(), [&](const Descripcion& c) {
            return MismoNombreColumna(c.nombre, nombre);
        });
        if (d == todas.end()) continue;
        const bool yaElegida =
            std::any_of(elegidas.begin(), elegidas.end(),
                        [&](const Descripcion& e) { return e.numero == d->numero; });
        if (!yaElegida) elegidas.push_back(*d);
    }
    return elegidas;
}

FilaBloque::FilaBloque(const LectorBloques& lector, const std::vector<std::string>& nombres)
    : lector_(lector), columnas_(nombres.size(), std::string::npos), textos_(nombres.size()) {
    const auto& leidas = lector_.Columnas();
    for (std::size_t n = 0; n < nombres.size(); ++n) {
        for (std::size_t c = 0; c < leidas.size(); ++c) {
            if (MismoNombreColumna(leidas[c].nombre, nombres[n])) {
                columnas_[n] = c;
                break;
            }
        }
    }
}

std::size_t FilaBloque::Columna(std::size_t columna) const {
    const std::size_t c = columnas_.at(columna);
    if (c == std::string::npos)
        throw ErrorEjecucion(errores::kCampoInexistente, ado::kTextoCampoInexistente);
    return c;
}

Valor FilaBloque::Campo(std::size_t columna) const {
    const std::size_t c = Columna(columna);
    const Celda celda = lector_.En(fila_, c);
    if (celda.indicador == SQL_NULL_DATA) return Valor::Nulo();
    const Descripcion& d = lector_.Columnas()[c];
    if (d.clase == ColumnaLeida::Clase::Texto) return Valor::Texto(std::string(Texto(columna)));
    return ColumnaLeida::ValorDe(d.clase, NumeroDe(d, celda.dato));
}

std::optional<double> FilaBloque::Numero(std::size_t columna) const {
    const std::size_t c = Columna(columna);
    const Descripcion& d = lector_.Columnas()[c];
    if (d.clase != ColumnaLeida::Clase::Entero && d.clase != ColumnaLeida::Clase::Doble)
        return FilaLeida::Numero(columna);  // Boolean, Date and text are not numbers
    const Celda celda = lector_.En(fila_, c);
    if (celda.indicador == SQL_NULL_DATA) return std::nullopt;
    return NumeroDe(d, celda.dato);
}

std::string_view FilaBloque::Texto(std::size_t columna) const {
    const std::size_t c = Columna(columna);
    const Celda celda = lector_.En(fila_, c);
    if (lector_.Columnas()[c].clase != ColumnaLeida::Clase::Texto ||
        celda.indicador == SQL_NULL_DATA)
        return FilaLeida::Texto(columna);  // Null fails, numbers are written out
    std::string& texto = textos_[columna];
    texto.clear();
    AgregaTexto(texto, celda);
    return texto;
}

}  // namespace velqor::db
