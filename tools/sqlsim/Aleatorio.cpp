#include "Aleatorio.h"

#include <algorithm>
#include <cmath>

namespace velqor::sqlsim {
namespace {
constexpr uint64_t kMultiplicador = 6364136223846793005ULL;
constexpr uint64_t kIncremento = 1442695040888963407ULL;

double DosDecimales(double x) { return std::round(x * 100.0) / 100.0; }
}  // namespace

Aleatorio::Aleatorio(uint64_t semilla) : s_(semilla * kMultiplicador + kIncremento) {}

double Aleatorio::Uniforme() {
    s_ = s_ * kMultiplicador + kIncremento;
    return static_cast<double>(s_ >> 11) / static_cast<double>(1ULL << 53);
}

double Aleatorio::Entre(double a, double b) { return DosDecimales(a + (b - a) * Uniforme()); }

int64_t Aleatorio::LogUniforme(int64_t a, int64_t b) {
    const double la = std::log(static_cast<double>(a)), lb = std::log(static_cast<double>(b));
    const auto n = static_cast<int64_t>(std::llround(std::exp(la + (lb - la) * Uniforme())));
    return std::clamp(n, a, b);
}

double Aleatorio::Exponencial(double mediana, double tope) {
    // The exponential distribution of median m has the quantile function -m * log2(1 - u).
    return DosDecimales(std::min(tope, -mediana * std::log2(1.0 - Uniforme())));
}

}  // namespace velqor::sqlsim
