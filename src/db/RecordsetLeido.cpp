#include "db/RecordsetLeido.h"

#include <algorithm>

#include "db/ErroresAdo.h"

namespace velqor::db {

RecordsetLeido::RecordsetLeido(std::vector<ColumnaLeida> columnas)
    : columnas_(std::move(columnas)), filas_(columnas_.empty() ? 0 : columnas_.front().Filas()) {}

void RecordsetLeido::ExigeAbierto() const {
    if (cerrado_) throw ErrorEjecucion(errores::kObjetoCerrado, ado::kTextoObjetoCerrado);
}

bool RecordsetLeido::EOF() const {
    ExigeAbierto();
    return actual_ >= filas_;
}

Valor RecordsetLeido::Field(std::string_view nombre) const {
    ExigeAbierto();
    const auto columna =
        std::find_if(columnas_.begin(), columnas_.end(),
                     [&](const ColumnaLeida& c) { return MismoNombreColumna(c.Nombre(), nombre); });
    if (columna == columnas_.end())
        throw ErrorEjecucion(errores::kCampoInexistente, ado::kTextoCampoInexistente);
    if (actual_ >= filas_)
        throw ErrorEjecucion(ado::kSinRegistroActual, ado::kTextoSinRegistroActual);
    return columna->ValorEn(actual_);
}

void RecordsetLeido::MoveNext() {
    ExigeAbierto();
    if (actual_ >= filas_)
        throw ErrorEjecucion(ado::kSinRegistroActual, ado::kTextoSinRegistroActual);
    ++actual_;
}

void RecordsetLeido::Close() {
    ExigeAbierto();
    cerrado_ = true;
    columnas_.clear();
}

}  // namespace velqor::db
