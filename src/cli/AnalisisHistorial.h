#pragma once
// AnalisisHistorial: what a density history says about the nights it holds and the indexes it
// names, as figures (no HTML, no text layout): an overview per night, advice on the indexes whose
// treatment is wasted work, and the order of the indexes by need. The rules and their thresholds
// are described in docs/velqor-config.md ("history").

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/HistorialDensidad.h"

namespace velqor::cli {

// One night: the treatments that started between noon of its day and noon of the next day.
struct ResumenNoche {
    Momento dia{};                  // midnight at the start of the night's day (its evening)
    int indices = 0;                // indexes treated (each counted once)
    int reconstrucciones = 0;       // treatments that rebuilt
    int desfragmentaciones = 0;     // treatments that defragmented on line
    std::chrono::seconds tiempo{};  // the sum of the treatments' lengths (end minus start)
    Momento desde{}, hasta{};       // the first start and the last end
    std::optional<double> antes;    // mean density before, of the densities that were read
    std::optional<double> despues;  // mean density after, likewise
};

enum class TipoConsejo {
    FactorRelleno,  // fragments again by the next night: a lower fill factor
    Politica,       // its treatment brings little: leave it to a maintenance policy
    MinPaginas,     // small and treated every night: MinPages
};

// One piece of advice on one index, with the figures behind it. Advice only: nothing acts on it.
struct Consejo {
    TipoConsejo tipo{};
    std::string tabla, indice;
    std::string sugerencia;  // what to do, one or two sentences for people
    std::string evidencia;   // the numbers behind it, one sentence
    int noches = 0;          // nights the history holds
    int nochesTratado = 0;   // nights this index was treated
    int recaidas = 0;        // treated nights followed by a treatment on the next night held
    int seguidas = 0;        // treated nights that have a next night in the history
    std::optional<double> antes, despues;  // mean densities before and after its treatments
    std::optional<double> antesSiguiente;  // mean density before on the next night's treatment
    int factorRelleno = 0;                 // the suggested fill factor (FactorRelleno only)
};

class AnalisisHistorial {
  public:
    // Fewer nights than this in the history give no advice: one or two nights show no pattern.
    static constexpr int kNochesMinimas = 3;
    // A treatment that raises the density by less than this (points, on average) brings little.
    static constexpr double kPocaGanancia = 5;
    // The fragmentation (100 minus density) under which a maintenance policy usually leaves an
    // index alone, and the page count under which it leaves it alone whatever its fragmentation:
    // the values that commonly used maintenance scripts start from.
    static constexpr int kReorganizarDesde = 5;
    static constexpr int kPaginasMinimas = 1000;

    // Analyses historial (every row, measurements in any order); umbral is the density under
    // which the pass treats an index.
    explicit AnalisisHistorial(const HistorialDensidad& historial, double umbral);

    // The nights that hold at least one treatment, oldest first.
    const std::vector<ResumenNoche>& Noches() const { return noches_; }
    // At most one piece of advice per index: fill factor first, then policy, then MinPages; the
    // indexes in order of need within each kind.
    const std::vector<Consejo>& Consejos() const { return consejos_; }
    // Positions of the history's rows, the most in need first: those named by advice, then by
    // nights treated (most first), mean density before (lowest first), then table and index.
    const std::vector<std::size_t>& OrdenPorNecesidad() const { return orden_; }
    // True when advice names the row at position fila.
    bool Aconsejado(std::size_t fila) const { return aconsejado_.at(fila); }

    // The day of the night in which a treatment started at inicio: its date, or the day before
    // when it started before noon. Answers that day's midnight.
    static Momento DiaDeNoche(Momento inicio);

  private:
    std::vector<ResumenNoche> noches_;
    std::vector<Consejo> consejos_;
    std::vector<std::size_t> orden_;
    std::vector<bool> aconsejado_;
};

// The kind of advice as the JSON output names it: "fillFactor", "policy", "minPages".
std::string NombreConsejo(TipoConsejo tipo);

}  // namespace velqor::cli
