#pragma once
// DiarioHistorial: the text of a density history journal (docs/density-history.md, "Journal"):
// one line per record, each closed by its own check, so that a line cut short by a killed process
// or a power cut is told apart and skipped. A record is a measurement of an index, or a mark that
// the history file was written with the given fingerprint after the records before it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/HistorialDensidad.h"

namespace velqor {

struct AsientoDiario {
    bool marca = false;  // true: the file was written (huella); false: a measurement
    std::string tabla;
    std::string indice;
    Medicion medicion;
    uint64_t huella = 0;

    bool operator==(const AsientoDiario&) const = default;
};

class DiarioHistorial {
  public:
    // The line of a measurement of index indice of table tabla, line end included.
    static std::string Medida(const std::string& tabla, const std::string& indice,
                              const Medicion& medicion);
    // The line of a mark that the history file was written with fingerprint huella.
    static std::string Marca(uint64_t huella);

    // The records of a journal's text, in order. A line that does not read back (cut short,
    // altered, of another kind) is skipped and counted in descartados; a last line without its
    // line end is such a line. Never throws but std::bad_alloc.
    static std::vector<AsientoDiario> Lee(std::string_view texto, std::size_t& descartados);

    // The measurements of asientos that the history file whose fingerprint is huella does not
    // hold: those after the last mark of that fingerprint (all when there is none).
    static std::vector<AsientoDiario> Pendientes(const std::vector<AsientoDiario>& asientos,
                                                 uint64_t huella);

    // The fingerprint of a file's bytes (64-bit FNV-1a).
    static uint64_t Huella(std::string_view bytes);
};

}  // namespace velqor
