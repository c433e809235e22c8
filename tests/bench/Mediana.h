#pragma once
// Timing helpers the benchmark drivers share.

#include <chrono>
#include <functional>
#include <vector>

namespace velqor::bench {

// The median of muestras (the mean of the two middle ones for an even count); 0 when empty.
double Mediana(std::vector<double> muestras);

// Runs accion veces times and answers the median wall time of one run, in milliseconds.
double MedianaMs(int veces, const std::function<void()>& accion);

}  // namespace velqor::bench
