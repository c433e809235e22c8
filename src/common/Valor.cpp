#include "common/Valor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>

#include "common/ErrorEjecucion.h"

namespace velqor {

namespace {

[[noreturn]] void TipoIncompatible() {
    throw ErrorEjecucion(errores::kTipoIncompatible, "Type mismatch");
}

// Smallest decimal exponent written without the exponent form (0.0001 is plain, 0.00001 is 1E-05).
constexpr int kExponenteMinimoLlano = -4;

// Significant digits that a normal double always carries exactly through a decimal rounding.
constexpr int kCifrasSeguras = 15;

// 10^0 .. 10^17, the bounds of whole numbers written as plain digits.
constexpr double kPotencias10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                   1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

}  // namespace

char* NumeroATexto(double v, int digitos, char* destino) {
    const auto copia = [destino](std::string_view texto) {
        return std::copy(texto.begin(), texto.end(), destino);
    };
    if (std::isnan(v)) {
        return copia("NaN");
    }
    if (std::isinf(v)) {
        return copia(v < 0 ? "-Inf" : "Inf");
    }
    if (v == 0) {
        return copia("0");
    }
    digitos = digitos < 1 ? 1 : (digitos > 17 ? 17 : digitos);
    const double magnitud = std::fabs(v);
    char* fin = destino;
    if (v < 0) {
        *fin++ = '-';
    }

    // Whole numbers with no more digits than wanted are their digits (the common case).
    if (magnitud < kPotencias10[digitos] && magnitud == std::trunc(magnitud)) {
        return std::to_chars(fin, destino + kLargoNumeroMaximo, static_cast<int64_t>(magnitud)).ptr;
    }

    // A number of a short decimal form (62.5, 20.07): the fewest decimals whose digits read back
    // as v, the division by an exact power of ten rounding as a reading does. Those digits are the
    // shortest form that reads back (a decimal of fewer digits lies further from v than its
    // neighbours) and the only one of their length (decimals of that length lie 10^-decimales
    // apart, several times the spacing of doubles there), which is what the general way finds.
    if (digitos == kCifrasSeguras && magnitud >= 1e-4 && magnitud < kPotencias10[kCifrasSeguras]) {
        for (int decimales = 1; decimales <= kCifrasSeguras; ++decimales) {
            const double escalado = std::nearbyint(magnitud * kPotencias10[decimales]);
            if (escalado >= kPotencias10[kCifrasSeguras]) {
                break;
            }
            if (escalado / kPotencias10[decimales] == magnitud) {
                const auto cifras = static_cast<int64_t>(escalado);
                const auto potencia = static_cast<int64_t>(kPotencias10[decimales]);
                if (cifras >= potencia) {
                    fin = std::to_chars(fin, destino + kLargoNumeroMaximo, cifras / potencia).ptr;
                }
                *fin++ = '.';
                int64_t fraccion = cifras % potencia;
                for (int i = decimales - 1; i >= 0; --i, fraccion /= 10) {
                    fin[i] = static_cast<char>('0' + fraccion % 10);
                }
                return fin + decimales;
            }
        }
    }

    // Scientific form (d.ddde+xx) rounded once to the wanted significant digits. Up to 15 of them,
    // that rounding without its trailing zeros is also the shortest form that reads back as v
    // whenever that form is no longer (decimals of that length lie further apart than doubles).
    char cientifico[64];
    const auto r = std::to_chars(cientifico, cientifico + sizeof cientifico, magnitud,
                                 std::chars_format::scientific, digitos - 1);
    const std::string_view forma(cientifico, static_cast<std::size_t>(r.ptr - cientifico));
    const std::size_t e = forma.find('e');
    char cifras[24];
    int n = 0;
    for (const char c : forma.substr(0, e)) {
        if (c != '.') {
            cifras[n++] = c;
        }
    }
    while (n > 1 && cifras[n - 1] == '0') {
        --n;
    }
    int exponente = 0;
    const std::string_view textoExponente = forma.substr(e + (forma[e + 1] == '+' ? 2 : 1));
    std::from_chars(textoExponente.data(), textoExponente.data() + textoExponente.size(),
                    exponente);

    const auto anexa = [&fin](const char* desde, int cuantos) {
        fin = std::copy(desde, desde + cuantos, fin);
    };
    if (exponente >= digitos || exponente < kExponenteMinimoLlano) {
        *fin++ = cifras[0];
        if (n > 1) {
            *fin++ = '.';
            anexa(cifras + 1, n - 1);
        }
        *fin++ = 'E';
        *fin++ = exponente < 0 ? '-' : '+';
        const int valorExponente = std::abs(exponente);
        if (valorExponente < 10) {
            *fin++ = '0';
        }
        fin = std::to_chars(fin, destino + kLargoNumeroMaximo, valorExponente).ptr;
    } else if (exponente < 0) {
        *fin++ = '.';
        fin = std::fill_n(fin, -exponente - 1, '0');
        anexa(cifras, n);
    } else if (n <= exponente + 1) {
        anexa(cifras, n);
        fin = std::fill_n(fin, exponente + 1 - n, '0');
    } else {
        anexa(cifras, exponente + 1);
        *fin++ = '.';
        anexa(cifras + exponente + 1, n - exponente - 1);
    }
    return fin;
}

std::string NumeroATexto(double v, int digitos) {
    char texto[kLargoNumeroMaximo];
    return std::string(texto, NumeroATexto(v, digitos, texto));
}

static_assert(sizeof(Valor) == 2 * sizeof(double), "a Valor is two words");

Valor::Valor(const Valor& otro) : tipo_(otro.tipo_) {
    if (tipo_ == Tipo::String) {
        std::construct_at(&dato_.texto, std::make_unique<std::string>(*otro.dato_.texto));
    } else if (tipo_ == Tipo::Array) {
        std::construct_at(&dato_.lista, std::make_unique<Lista>(*otro.dato_.lista));
    } else {
        dato_.numero = otro.dato_.numero;
    }
}

Valor& Valor::operator=(const Valor& otro) {
    if (this != &otro) {
        *this = Valor(otro);
    }
    return *this;
}

void Valor::LiberaPropio() noexcept {
    if (tipo_ == Tipo::String) {
        std::destroy_at(&dato_.texto);
    } else {
        std::destroy_at(&dato_.lista);
    }
    tipo_ = Tipo::Empty;
    dato_.numero = 0.0;
}

Valor Valor::Texto(std::string v) {
    Valor r;
    std::construct_at(&r.dato_.texto, std::make_unique<std::string>(std::move(v)));
    r.tipo_ = Tipo::String;
    return r;
}

Valor Valor::Matriz(Lista v) {
    Valor r;
    std::construct_at(&r.dato_.lista, std::make_unique<Lista>(std::move(v)));
    r.tipo_ = Tipo::Array;
    return r;
}

std::string_view Valor::NombreTipo() const {
    switch (tipo_) {
        case Tipo::Empty:
            return "Empty";
        case Tipo::Null:
            return "Null";
        case Tipo::Integer:
            return "Integer";
        case Tipo::Long:
            return "Long";
        case Tipo::Single:
            return "Single";
        case Tipo::Double:
            return "Double";
        case Tipo::Decimal:
            return "Decimal";
        case Tipo::Byte:
            return "Byte";
        case Tipo::Currency:
            return "Currency";
        case Tipo::String:
            return "String";
        case Tipo::Date:
            return "Date";
        case Tipo::Boolean:
            return "Boolean";
        case Tipo::Array:
            return "Array";
    }
    return "Unknown";
}

bool Valor::EsNumero() const {
    switch (tipo_) {
        case Tipo::Integer:
        case Tipo::Long:
        case Tipo::Single:
        case Tipo::Double:
        case Tipo::Decimal:
        case Tipo::Byte:
        case Tipo::Currency:
            return true;
        default:
            return false;
    }
}

double Valor::ComoDoble() const {
    if (EsNumero()) {
        return Numero();
    }
    if (tipo_ == Tipo::Boolean) {
        return Numero() != 0 ? -1 : 0;
    }
    TipoIncompatible();
}

bool Valor::ComoLogico() const {
    if (EsNumero() || tipo_ == Tipo::Boolean) {
        return Numero() != 0;
    }
    TipoIncompatible();
}

const std::string& Valor::ComoTexto() const {
    if (tipo_ != Tipo::String) {
        TipoIncompatible();
    }
    return *dato_.texto;
}

Momento Valor::ComoFecha() const {
    if (tipo_ != Tipo::Date) {
        TipoIncompatible();
    }
    return Momento{std::chrono::seconds{static_cast<int64_t>(Numero())}};
}

const Lista& Valor::ComoLista() const {
    if (tipo_ != Tipo::Array) {
        TipoIncompatible();
    }
    return *dato_.lista;
}

Lista& Valor::ComoLista() {
    if (tipo_ != Tipo::Array) {
        TipoIncompatible();
    }
    return *dato_.lista;
}

std::string Valor::ATexto() const {
    switch (tipo_) {
        case Tipo::Empty:
            return {};
        case Tipo::String:
            return ComoTexto();
        case Tipo::Boolean:
            return Numero() != 0 ? "True" : "False";
        case Tipo::Date:
            return Formatea(ComoFecha(), "yyyy-mm-dd hh:nn:ss");
        case Tipo::Null:
        case Tipo::Array:
            TipoIncompatible();
        default:
            break;
    }
    std::string texto = NumeroATexto(Numero(), tipo_ == Tipo::Single ? 7 : 15);
    // Below one, the written form drops the leading zero; value text keeps it (0.5, -0.5).
    const std::size_t punto = texto[0] == '-' ? 1 : 0;
    if (texto.size() > punto && texto[punto] == '.') {
        texto.insert(punto, 1, '0');
    }
    return texto;
}

bool operator==(const Valor& a, const Valor& b) {
    if (a.tipo_ != b.tipo_) {
        return false;
    }
    switch (a.tipo_) {
        case Valor::Tipo::Empty:
        case Valor::Tipo::Null:
            return true;
        case Valor::Tipo::String:
            return a.ComoTexto() == b.ComoTexto();
        case Valor::Tipo::Array:
            return a.ComoLista() == b.ComoLista();
        default:
            return a.Numero() == b.Numero();
    }
}

}  // namespace velqor
