#include "engine/HistorialDensidad.h"

#include <algorithm>

namespace velqor {

HistorialDensidad::HistorialDensidad(std::vector<FilaHistorial> filas) : filas_(std::move(filas)) {
    Indexa();
}

std::string HistorialDensidad::Clave(const std::string& tabla, const std::string& indice) {
    return tabla + indice;
}

void HistorialDensidad::Indexa() {
    posiciones_.clear();
    for (std::size_t i = 0; i < filas_.size(); ++i) {
        posiciones_.try_emplace({filas_[i].tabla, filas_[i].indice}, i);
    }
}

void HistorialDensidad::Agrega(const std::string& tabla, const std::string& indice,
                               const Medicion& medicion) {
    const auto [posicion, nueva] = posiciones_.try_emplace({tabla, indice}, filas_.size());
    if (!nueva) {
        filas_[posicion->second].mediciones.push_back(medicion);
        return;
    }
    filas_.push_back({tabla, indice, Clave(tabla, indice), {medicion}});
}

void HistorialDensidad::Fusiona(const HistorialDensidad& otro) {
    for (const FilaHistorial& fila : otro.filas_) {
        const auto hallada = posiciones_.find({fila.tabla, fila.indice});
        if (hallada == posiciones_.end()) {
            posiciones_.emplace(std::pair{fila.tabla, fila.indice}, filas_.size());
            filas_.push_back(fila);
            continue;
        }
        std::vector<Medicion>& mediciones = filas_[hallada->second].mediciones;
        std::vector<bool> emparejada(mediciones.size(), false);
        for (const Medicion& medicion : fila.mediciones) {
            std::size_t i = 0;
            while (i < emparejada.size() && (emparejada[i] || !(mediciones[i] == medicion))) ++i;
            if (i < emparejada.size()) {
                emparejada[i] = true;
            } else {
                mediciones.push_back(medicion);
            }
        }
    }
    Ordena();
}

void HistorialDensidad::Ordena() {
    std::stable_sort(filas_.begin(), filas_.end(),
                     [](const FilaHistorial& a, const FilaHistorial& b) {
                         return a.clave != b.clave ? a.clave < b.clave : a.tabla < b.tabla;
                     });
    for (FilaHistorial& fila : filas_) {
        std::stable_sort(fila.mediciones.begin(), fila.mediciones.end(),
                         [](const Medicion& a, const Medicion& b) { return a.inicio < b.inicio; });
    }
    Indexa();
}

}  // namespace velqor
