// The generator of a scenario's generated tables: the same seed gives the same values, page counts
// spread evenly over their logarithm, fragmentation skewed as on a real database.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Aleatorio.h"

namespace velqor::sqlsim {
namespace {

constexpr int kMuestras = 100'000;

TEST(Aleatorio, TheSameSeedGivesTheSameValuesAndAnotherSeedOthers) {
    Aleatorio a(7), b(7), c(8);
    int distintos = 0;
    for (int k = 0; k < 100; ++k) {
        const double x = a.Entre(20, 100);
        EXPECT_EQ(x, b.Entre(20, 100));
        EXPECT_EQ(a.LogUniforme(8, 1'000'000), b.LogUniforme(8, 1'000'000));
        EXPECT_EQ(a.Exponencial(5, 80), b.Exponencial(5, 80));
        if (x != c.Entre(20, 100)) ++distintos;
        c.LogUniforme(8, 1'000'000);
        c.Exponencial(5, 80);
    }
    EXPECT_GT(distintos, 90);
}

TEST(Aleatorio, PagesSpreadEvenlyOverEveryDecade) {
    Aleatorio a(11);
    // 10 to 1,000,000: five decades, a fifth of the values in each.
    std::vector<int> porDecada(5, 0);
    int64_t menor = INT64_MAX, mayor = 0;
    for (int k = 0; k < kMuestras; ++k) {
        const int64_t p = a.LogUniforme(10, 1'000'000);
        menor = std::min(menor, p);
        mayor = std::max(mayor, p);
        ++porDecada[std::min(4, static_cast<int>(std::log10(static_cast<double>(p))) - 1)];
    }
    EXPECT_GE(menor, 10);
    EXPECT_LE(mayor, 1'000'000);
    EXPECT_LT(menor, 11);
    EXPECT_GT(mayor, 990'000);
    for (int n : porDecada) EXPECT_NEAR(n / double(kMuestras), 0.2, 0.01);
    Aleatorio b(1);
    EXPECT_EQ(b.LogUniforme(500, 500), 500);
}

TEST(Aleatorio, FragmentationIsExponentialWithItsMedianAndCapped) {
    Aleatorio a(3);
    std::vector<double> valores;
    for (int k = 0; k < kMuestras; ++k) valores.push_back(a.Exponencial(5, 30));
    std::sort(valores.begin(), valores.end());
    EXPECT_NEAR(valores[kMuestras / 2], 5.0, 0.15);
    EXPECT_GE(valores.front(), 0.0);
    // P(X > 30) = 2^-6 for a median of 5: those are held at the cap.
    const auto topados = std::count(valores.begin(), valores.end(), 30.0);
    EXPECT_NEAR(topados / double(kMuestras), 1.0 / 64, 0.003);
    EXPECT_EQ(valores.back(), 30.0);
    for (double v : valores) EXPECT_EQ(v, std::round(v * 100) / 100);
}

}  // namespace
}  // namespace velqor::sqlsim
