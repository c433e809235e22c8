// The fragmentation survey: the scan density of every index of the database, and of one index,
// each read as the server's dialect reads it.

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>

#include "common/General.h"
#include "common/Permutacion.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

// Least dense first, an index without a figure before all, equal densities in their order. The
// keys are sorted, then each record moved once to its place: a survey of a million indexes is
// neither copied nor sorted record by record.
void OrdenaPorDensidad(std::vector<IndiceEncuestado>& indices) {
    std::vector<std::pair<double, uint32_t>> claves;
    claves.reserve(indices.size());
    for (std::size_t n = 0; n < indices.size(); ++n) {
        const double d = indices[n].densidad;
        claves.emplace_back(std::isnan(d) ? -std::numeric_limits<double>::infinity() : d,
                            static_cast<uint32_t>(n));
    }
    std::sort(claves.begin(), claves.end());
    std::vector<uint32_t> origen;
    origen.reserve(claves.size());
    for (const auto& clave : claves) origen.push_back(clave.second);
    claves = {};
    ColocaSegun(indices.data(), origen);
}

}  // namespace

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
        OrdenaPorDensidad(indices);
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
