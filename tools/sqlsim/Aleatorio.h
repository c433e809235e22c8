#pragma once
// The seeded generator behind a scenario's generated tables: the same seed gives the same values on
// every run and every machine (a 64-bit linear congruential generator, no library distribution).

#include <cstdint>

namespace velqor::sqlsim {

class Aleatorio {
  public:
    explicit Aleatorio(uint64_t semilla);

    // A value in [0, 1).
    double Uniforme();
    // A value in [a, b] with two decimals, as scan densities are shown.
    double Entre(double a, double b);
    // A whole number in [a, b] spread evenly over the logarithm: as many values between 10 and 100
    // as between 100,000 and 1,000,000. Needs 1 <= a <= b.
    int64_t LogUniforme(int64_t a, int64_t b);
    // A value drawn from the exponential distribution of that median, capped at `tope`, with two
    // decimals. Needs mediana > 0.
    double Exponencial(double mediana, double tope);

  private:
    uint64_t s_;
};

}  // namespace velqor::sqlsim
