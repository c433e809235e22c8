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

std::size_t AgregaAscii(std::string_view texto, std::size_t desde, std::size_t hasta,
                        ResumenTexto& resumen) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(texto.data());
    if (desde >= hasta || bytes[desde] >= 0x80) {
        return desde;
    }
    int64_t codigos = 0;
    int64_t saltos = 0;
    // The first character of all takes no step.
    int ultimo = resumen.caracteres > 0 ? resumen.ultimo : bytes[desde];
    std::size_t b = desde;
    for (; b < hasta && bytes[b] < 0x80; ++b) {
        const int codigo = bytes[b];
        saltos += codigo > ultimo ? codigo - ultimo : ultimo - codigo;
        codigos += codigo;
        ultimo = codigo;
    }
    if (resumen.caracteres == 0) {
        resumen.primero = bytes[desde];
    }
    resumen.codigos += codigos;
    resumen.saltos += saltos;
    resumen.ultimo = ultimo;
    resumen.caracteres += static_cast<int64_t>(b - desde);
    return b;
}

ResumenTexto ResumenDe(std::string_view utf8) {
    ResumenTexto r;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        pos = AgregaAscii(utf8, pos, utf8.size(), r);
        if (pos < utf8.size()) {
            r.AgregaCodigo(CodigoSiguiente(utf8, pos));
        }
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
