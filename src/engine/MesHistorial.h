#pragma once
// MesHistorial: a month's density history on disk: its file (TextoHistorial) and the journals
// beside it (DiarioHistorial), one per process that treated an index since the file was last
// written: "<file>.<pid>.journal" (docs/density-history.md, "Journal"). DiarioPropio is the
// journal this process writes.

#include <string>
#include <vector>

#include "engine/DiarioHistorial.h"
#include "engine/HistorialDensidad.h"

namespace velqor {

// The journal of this process beside one month's history file: created at its first measurement,
// locked (flock) while it is open so that other processes know its writer still runs, removed
// once its measurements are in the file.
class DiarioPropio {
  public:
    // The journal beside the history file archivo; nothing is created yet.
    explicit DiarioPropio(std::string archivo) : archivo_(std::move(archivo)) {}
    ~DiarioPropio();
    DiarioPropio(DiarioPropio&& otro) noexcept;
    DiarioPropio& operator=(DiarioPropio&&) = delete;
    DiarioPropio(const DiarioPropio&) = delete;
    DiarioPropio& operator=(const DiarioPropio&) = delete;

    // Appends the measurement as one whole line, flushed to disk before it answers. False when
    // the journal cannot take it (no journal could be created, a full disk): the measurement is
    // then kept in memory and goes into the file at the next save all the same.
    bool Anota(const std::string& tabla, const std::string& indice, const Medicion& medicion);
    // True when nothing was recorded since the file last took this process's measurements.
    bool Vacio() const { return fd_ < 0 && enMemoria_.empty(); }
    // The journal's path; empty before its first measurement.
    const std::string& Ruta() const { return ruta_; }

  private:
    friend class MesHistorial;
    // Creates and locks a journal of a name no other holds; false when none can be created.
    bool Crea();
    // Removes the journal (its measurements are in the file) and forgets those kept in memory.
    void Retira();

    std::string archivo_;
    std::string ruta_;
    int fd_ = -1;
    std::vector<AsientoDiario> enMemoria_;
};

class MesHistorial {
  public:
    // Loads a month: the rows of the history file ruta (none when it does not exist) and every
    // measurement the journals beside it hold that the file does not, rows ordered
    // (HistorialDensidad::Ordena). hallado tells whether the file or any journal exists. False,
    // with error saying what is wrong in one clause (TextoHistorial::Lee), when the file does not
    // read back: historial then holds the journals' measurements alone. Lines of a journal that do
    // not read back (a line cut short by a killed process) are skipped.
    static bool Carga(const std::string& ruta, HistorialDensidad& historial, bool& hallado,
                      std::string& error);

    // Writes the history file ruta: historial (the file's rows, read under the folder lock) with
    // the measurements of propio and of every journal beside it whose process no longer runs,
    // that the file does not hold yet; then removes those journals. A process killed at any moment
    // of this leaves the file and journals so that the next save neither loses nor repeats a
    // measurement. Leaves the file as it is when nothing is added to a file that exists. Call it
    // under the lock on the file's folder. False, journals and file as they were, when the file
    // could not be written; historial then holds what should have been written.
    static bool Guarda(const std::string& ruta, HistorialDensidad& historial, DiarioPropio& propio);

    // The journals beside the history file ruta, of any process, by name.
    static std::vector<std::string> Diarios(const std::string& ruta);
};

}  // namespace velqor
