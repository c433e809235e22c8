#pragma once
// HistorialDensidad: the density history of one connection definition and month, as typed rows:
// one row per index treated, each with its measurements oldest first. TextoHistorial converts it
// to and from the file's array text (docs/density-history.md).

#include <string>
#include <vector>

#include "common/Momento.h"

namespace velqor {

// One treatment of an index.
struct Medicion {
    double antes = 0;       // scan density before, percent (0 when it could not be read)
    Momento inicio{};       // start of the treatment
    Momento fin{};          // end of the treatment
    double despues = 0;     // scan density after, percent (0 when it could not be read)
    bool bloquear = false;  // true: rebuilt off line; false: defragmented on line

    bool operator==(const Medicion&) const = default;
    // The same treatment: the same moments and the same kind (a treatment of one index is never
    // repeated within the same second).
    bool MismoTratamiento(const Medicion& otra) const {
        return inicio == otra.inicio && fin == otra.fin && bloquear == otra.bloquear;
    }
};

// Every treatment of one index in the month, oldest first. Rows are found by their key, kept as
// the file holds it.
struct FilaHistorial {
    std::string tabla;  // as reports show it: "Orders" in dbo, "Sales.Orders" elsewhere
    std::string indice;
    std::string clave;
    std::vector<Medicion> mediciones;

    bool operator==(const FilaHistorial&) const = default;
};

class HistorialDensidad {
  public:
    HistorialDensidad() = default;
    // A history of the given rows, in their order.
    explicit HistorialDensidad(std::vector<FilaHistorial> filas) : filas_(std::move(filas)) {}

    // The key of the row of index indice of table tabla: the table followed by the index.
    static std::string Clave(const std::string& tabla, const std::string& indice);

    // True when no index has been treated (the history the file stores as Empty).
    bool Vacio() const { return filas_.empty(); }
    const std::vector<FilaHistorial>& Filas() const { return filas_; }

    // Adds medicion as the newest of the row keyed Clave(tabla, indice) (the first such row), or
    // as the only one of a new last row.
    void Agrega(const std::string& tabla, const std::string& indice, const Medicion& medicion);
    // Adds the rows and measurements of otro that this history lacks (a measurement is there when
    // its row holds one of the same treatment); the measurements of a row that grew are put in
    // the order of their start (stable), and the rows are then ordered (Ordena).
    void Fusiona(const HistorialDensidad& otro);
    // Orders the rows on their keys, by their bytes, keeping rows of one key in their order.
    void Ordena();

    bool operator==(const HistorialDensidad&) const = default;

  private:
    std::vector<FilaHistorial> filas_;
};

}  // namespace velqor
