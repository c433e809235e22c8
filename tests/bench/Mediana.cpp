#include "Mediana.h"

#include <algorithm>

namespace velqor::bench {

double Mediana(std::vector<double> muestras) {
    if (muestras.empty()) return 0;
    std::sort(muestras.begin(), muestras.end());
    const size_t n = muestras.size();
    return n % 2 == 1 ? muestras[n / 2] : (muestras[n / 2 - 1] + muestras[n / 2]) / 2;
}

double MedianaMs(int veces, const std::function<void()>& accion) {
    std::vector<double> muestras;
    for (int i = 0; i < veces; ++i) {
        const auto inicio = std::chrono::steady_clock::now();
        accion();
        const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - inicio;
        muestras.push_back(ms.count());
    }
    return Mediana(muestras);
}

}  // namespace velqor::bench
