#pragma once
// HistorialDensidad: the density history of one connection definition and month, as typed rows:
// one row per index treated, each with its measurements oldest first. TextoHistorial converts it
// to and from the file's array text (docs/density-history.md).

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/Momento.h"

namespace velqor {

// One treatment of an index. Two treatments are two measurements, even within one second.
struct Medicion {
    double antes = 0;       // scan density before, percent (0 when it could not be read)
    Momento inicio{};       // start of the treatment
    Momento fin{};          // end of the treatment
    double despues = 0;     // scan density after, percent (0 when it could not be read)
    bool bloquear = false;  // true: rebuilt off line; false: defragmented on line

    bool operator==(const Medicion&) const = default;
};

// Every treatment of one index in the month, oldest first. A row is found by its table and index;
// its key is kept as the file holds it.
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
    // A history of the given rows, in their order. A later row of the table and index of an
    // earlier one is kept as it is, but measurements are added to the first.
    explicit HistorialDensidad(std::vector<FilaHistorial> filas);

    // The key the file holds for the row of index indice of table tabla: the table followed by
    // the index. Two rows may share it (table "Orders" index "IX_Date", table "Order" index
    // "sIX_Date"); it never decides which row a measurement belongs to.
    static std::string Clave(const std::string& tabla, const std::string& indice);

    // True when no index has been treated (the history the file stores as Empty).
    bool Vacio() const { return filas_.empty(); }
    const std::vector<FilaHistorial>& Filas() const { return filas_; }

    // Adds medicion as the newest of the row of table tabla and index indice (found in time
    // logarithmic in the rows), or as the only one of a new last row.
    void Agrega(const std::string& tabla, const std::string& indice, const Medicion& medicion);
    // Adds what otro holds that this history lacks: its rows, and in each row its measurements,
    // each matched once against an equal one of the same table and index (so a treatment two
    // months' files both hold, as files written before each measurement went to its own month's
    // file may, counts once, while two equal treatments of one file stay two); then orders the
    // rows (Ordena).
    void Fusiona(const HistorialDensidad& otro);
    // Orders the rows on their keys by their bytes, then on their tables (rows of one key and
    // table keep their order), and each row's measurements on their start (stable).
    void Ordena();

    bool operator==(const HistorialDensidad& otro) const { return filas_ == otro.filas_; }

  private:
    // Builds posiciones_ from filas_.
    void Indexa();

    std::vector<FilaHistorial> filas_;
    // The position in filas_ of the first row of each table and index.
    std::map<std::pair<std::string, std::string>, std::size_t> posiciones_;
};

}  // namespace velqor
