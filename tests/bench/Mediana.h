#pragma once
// Timing helpers the benchmark drivers share.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace velqor::bench {

// The spread of a figure's repeats.
struct Reparto {
    double minimo = 0;
    double mediana = 0;
    double maximo = 0;

    // "min/median/max" with the given decimals, the value form scripts/bench.sh reads.
    std::string Texto(int decimales = 1) const;
};

// Minimum, median (the mean of the two middle ones for an even count) and maximum; zeros when
// empty.
Reparto Reparte(std::vector<double> muestras);

// Runs accion veces times and answers the wall time of one run, in milliseconds.
Reparto MideMs(int veces, const std::function<void()>& accion);

}  // namespace velqor::bench
