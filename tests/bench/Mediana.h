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

// Keeps the memory this process frees for its own reuse: one heap for all threads, never trimmed,
// large blocks from that heap too. Called first thing by a driver that repeats a measurement, so
// that every repeat measures the same work: glibc otherwise gives a freed list back to the kernel
// after some repeats and not others, and the next repeat faults it in again page by page (about
// 14 µs a page on the virtual machine of docs/performance.md), which made such figures bimodal.
// The first run of a process, on fresh memory, is measured apart.
void ConservaMemoriaLiberada();

}  // namespace velqor::bench
