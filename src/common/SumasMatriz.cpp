#include "common/SumasMatriz.h"

#include <cstdlib>
#include <limits>

namespace velqor::zev {

namespace {
constexpr int64_t kMaximoSuma = std::numeric_limits<int32_t>::max();
}

void ResumenTexto::Agrega(const ResumenTexto& otro) {
    if (otro.caracteres == 0) {
        return;
    }
    if (caracteres > 0) {
        saltos += std::abs(otro.primero - ultimo);
    } else {
        primero = otro.primero;
    }
    ultimo = otro.ultimo;
    codigos += otro.codigos;
    saltos += otro.saltos;
    caracteres += otro.caracteres;
}

ResumenTexto ResumenDe(std::string_view utf8) {
    ResumenTexto r;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        r.AgregaCodigo(CodigoSiguiente(utf8, pos));
    }
    return r;
}

bool SumasMatriz::Suma(const ResumenTexto& valor) {
    if (valor.saltos > kMaximoSuma - saltos || valor.codigos > kMaximoSuma - codigos) {
        return false;
    }
    saltos += valor.saltos;
    codigos += valor.codigos;
    return true;
}

}  // namespace velqor::zev
