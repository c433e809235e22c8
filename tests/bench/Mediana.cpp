#include "Mediana.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>

namespace velqor::bench {

std::string Reparto::Texto(int decimales) const {
    char texto[96];
    std::snprintf(texto, sizeof texto, "%.*f/%.*f/%.*f", decimales, minimo, decimales, mediana,
                  decimales, maximo);
    return texto;
}

Reparto Reparte(std::vector<double> muestras) {
    if (muestras.empty()) return {};
    std::sort(muestras.begin(), muestras.end());
    const size_t n = muestras.size();
    const double mediana =
        n % 2 == 1 ? muestras[n / 2] : (muestras[n / 2 - 1] + muestras[n / 2]) / 2;
    return {muestras.front(), mediana, muestras.back()};
}

Reparto MideMs(int veces, const std::function<void()>& accion) {
    std::vector<double> muestras;
    for (int i = 0; i < veces; ++i) {
        const auto inicio = std::chrono::steady_clock::now();
        accion();
        const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - inicio;
        muestras.push_back(ms.count());
    }
    return Reparte(muestras);
}

void ConservaMemoriaLiberada() {
    constexpr int kSinLimite = 1 << 30;
    ::mallopt(M_ARENA_MAX, 1);
    ::mallopt(M_TRIM_THRESHOLD, kSinLimite);
    // glibc's largest; a fixed value also stops its own tuning of it.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
}

}  // namespace velqor::bench
