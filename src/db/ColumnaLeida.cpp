#include "db/ColumnaLeida.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "db/Utf16.h"

namespace velqor::db {

ColumnaLeida::ColumnaLeida(std::string nombre, Clase clase)
    : nombre_(std::move(nombre)), clase_(clase) {}

void ColumnaLeida::AgregaNulo() {
    nulos_.push_back(1);
    if (clase_ == Clase::Texto)
        finales_.push_back(textos_.size());
    else
        numeros_.push_back(0);
}

void ColumnaLeida::AgregaNumero(double valor) {
    nulos_.push_back(0);
    numeros_.push_back(valor);
}

void ColumnaLeida::AgregaTexto(std::string_view utf8) {
    nulos_.push_back(0);
    textos_.append(utf8);
    finales_.push_back(textos_.size());
}

void ColumnaLeida::AgregaTextoUtf16(const char16_t* texto, std::size_t unidades) {
    nulos_.push_back(0);
    AgregaUtf8(textos_, texto, unidades);
    finales_.push_back(textos_.size());
}

Valor ColumnaLeida::ValorEn(std::size_t fila) const {
    if (nulos_[fila]) return Valor::Nulo();
    if (clase_ == Clase::Texto) {
        const std::size_t inicio = fila == 0 ? 0 : finales_[fila - 1];
        return Valor::Texto(textos_.substr(inicio, finales_[fila] - inicio));
    }
    return ValorDe(clase_, numeros_[fila]);
}

Valor ColumnaLeida::ValorDe(Clase clase, double numero) {
    switch (clase) {
        case Clase::Entero:
            if (numero >= std::numeric_limits<int32_t>::min() &&
                numero <= std::numeric_limits<int32_t>::max())
                return Valor::Largo(static_cast<int32_t>(numero));
            return Valor::Doble(numero);
        case Clase::Logico:
            return Valor::Logico(numero != 0);
        case Clase::Fecha:
            return Valor::Fecha(Momento(std::chrono::seconds(static_cast<int64_t>(numero))));
        default:
            return Valor::Doble(numero);
    }
}

bool MismoNombreColumna(std::string_view a, std::string_view b) {
    const auto minuscula = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return minuscula(x) == minuscula(y); });
}

}  // namespace velqor::db
