#pragma once
// Puts the elements of a sequence in a new order by moving each one once, following the cycles
// of the permutation: no second copy of the sequence, even of a million elements.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace velqor {

// Place n of base takes the element that was at origen[n]; origen must hold every place from 0 to
// origen.size() - 1 once, and is used up.
template <typename T>
void ColocaSegun(T* base, std::vector<uint32_t>& origen) {
    constexpr uint32_t kPuesta = UINT32_MAX;
    for (std::size_t inicio = 0; inicio < origen.size(); ++inicio) {
        if (origen[inicio] == kPuesta) continue;
        T enMano = std::move(base[inicio]);
        std::size_t destino = inicio;
        while (origen[destino] != inicio) {
            const std::size_t desde = origen[destino];
            base[destino] = std::move(base[desde]);
            origen[destino] = kPuesta;
            destino = desde;
        }
        base[destino] = std::move(enMano);
        origen[destino] = kPuesta;
    }
}

}  // namespace velqor
