#include "MismoValor.h"

#include <algorithm>

namespace velqor::fuzz {

bool MismoValor(const Valor& a, const Valor& b) {
    if (a.tipo() != b.tipo()) return false;
    if (a.EsMatriz()) {
        const Lista& la = a.ComoLista();
        const Lista& lb = b.ComoLista();
        return std::equal(la.begin(), la.end(), lb.begin(), lb.end(), MismoValor);
    }
    if (a.EsNumero()) {
        const int digitos = a.tipo() == Valor::Tipo::Single ? 7 : 15;
        return NumeroATexto(a.ComoDoble(), digitos) == NumeroATexto(b.ComoDoble(), digitos);
    }
    return a == b;
}

}  // namespace velqor::fuzz
