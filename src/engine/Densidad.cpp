// The fragmentation survey: the scan density of every index of the database, and of one index,
// each read as the server's dialect reads it.

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "common/General.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor {

const Dialecto& Velqor::DecideDialecto(db::Connection& conn) {
    dialecto_ = Dialecto::De(conn);
    return *dialecto_;
}

bool Velqor::ObtenerDensidadActual(db::Connection& conn, std::vector<IndiceEncuestado>& mDensidad) {
    return Encuesta(conn, mDensidad, nullptr);
}

bool Velqor::Encuesta(db::Connection& conn, std::vector<IndiceEncuestado>& mDensidad,
                      const double* tope) {
    if (!creado_) return false;
    try {
        bool descartable = false;
        Progreso(Mensaje("Waiting for server response..."), descartable);
        const Dialecto::Lectura lee = [this](int32_t fila, bool ultima) {
            AnunciaLectura(fila, ultima);
        };
        std::vector<IndiceEncuestado> indices;
        try {
            indices = dialecto_->Encuesta(conn, tope, lee);
        } catch (const ErrorEjecucion& e) {
            auto otro =
                ErrorAtrapado::De(e).DelProveedor() ? dialecto_->SinEncuesta(conn) : nullptr;
            if (!otro) throw;
            dialecto_ = std::move(otro);
            indices = dialecto_->Encuesta(conn, tope, lee);
        }
        // Least dense first, an index without a figure before all.
        std::stable_sort(indices.begin(), indices.end(),
                         [](const IndiceEncuestado& a, const IndiceEncuestado& b) {
                             if (std::isnan(b.densidad)) return false;
                             return std::isnan(a.densidad) || a.densidad < b.densidad;
                         });
        mDensidad = std::move(indices);
        return true;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        InformaError(error.numero, error.descripcion, error.DelProveedor() ? &conn : nullptr, "",
                     false, "");
        return false;
    }
}

namespace {

constexpr int32_t kLecturasUnaAUna = 1000;

bool SeAnuncia(int32_t fila) { return fila <= kLecturasUnaAUna || fila % kLecturasUnaAUna == 0; }

}  // namespace

void Velqor::AnunciaLectura(int32_t fila, bool ultima) {
    if (ultima ? fila == 0 || SeAnuncia(fila) : !SeAnuncia(fila)) return;
    bool descartable = false;
    Progreso(Mensaje("Reading |1", {Valor::Largo(fila)}), descartable);
}

double Velqor::DensidadIndice(db::Connection& conn, const IndiceEncuestado& indice) {
    try {
        return dialecto_->Densidad(conn, indice);
    } catch (const std::exception&) {
        // An index that cannot be measured counts as density 0.
        return 0;
    }
}

}  // namespace velqor
