#include "engine/HistorialDensidad.h"

#include <algorithm>
#include <unordered_map>

namespace velqor {

std::string HistorialDensidad::Clave(const std::string& tabla, const std::string& indice) {
    return tabla + indice;
}

void HistorialDensidad::Agrega(const std::string& tabla, const std::string& indice,
                               const Medicion& medicion) {
    const std::string clave = Clave(tabla, indice);
    const auto fila = std::find_if(filas_.begin(), filas_.end(),
                                   [&clave](const FilaHistorial& f) { return f.clave == clave; });
    if (fila != filas_.end()) {
        fila->mediciones.push_back(medicion);
    } else {
        filas_.push_back({tabla, indice, clave, {medicion}});
    }
}

void HistorialDensidad::Fusiona(const HistorialDensidad& otro) {
    // Rows are found by their key through an index, so a merge stays linear in the rows.
    std::unordered_map<std::string, std::size_t> filas;
    for (std::size_t i = 0; i < filas_.size(); ++i) {
        filas.emplace(filas_[i].clave, i);
    }
    for (const FilaHistorial& fila : otro.filas_) {
        const auto hallada = filas.find(fila.clave);
        if (hallada == filas.end()) {
            filas_.push_back(fila);
            filas.emplace(fila.clave, filas_.size() - 1);
            continue;
        }
        std::vector<Medicion>& mediciones = filas_[hallada->second].mediciones;
        bool agregada = false;
        for (const Medicion& medicion : fila.mediciones) {
            const bool yaEsta =
                std::any_of(mediciones.begin(), mediciones.end(),
                            [&](const Medicion& m) { return m.MismoTratamiento(medicion); });
            if (yaEsta) continue;
            mediciones.push_back(medicion);
            agregada = true;
        }
        if (agregada) {
            std::stable_sort(
                mediciones.begin(), mediciones.end(),
                [](const Medicion& a, const Medicion& b) { return a.inicio < b.inicio; });
        }
    }
    Ordena();
}

void HistorialDensidad::Ordena() {
    std::stable_sort(
        filas_.begin(), filas_.end(),
        [](const FilaHistorial& a, const FilaHistorial& b) { return a.clave < b.clave; });
}

}  // namespace velqor
