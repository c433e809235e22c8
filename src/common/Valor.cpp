#include "common/Valor.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/ErrorEjecucion.h"

namespace velqor {

namespace {

[[noreturn]] void TipoIncompatible() {
    throw ErrorEjecucion(errores::kTipoIncompatible, "Type mismatch");
}

// Smallest decimal exponent written without the exponent form (0.0001 is plain, 0.00001 is 1E-05).
constexpr int kExponenteMinimoLlano = -4;

}  // namespace

std::string NumeroATexto(double v, int digitos) {
    if (std::isnan(v)) {
        return "NaN";
    }
    if (std::isinf(v)) {
        return v < 0 ? "-Inf" : "Inf";
    }
    if (v == 0) {
        return "0";
    }
    digitos = digitos < 1 ? 1 : (digitos > 17 ? 17 : digitos);

    // Scientific form with the wanted significant digits (d.ddde+xx), rounded once.
    char cientifico[64];
    const auto r = std::to_chars(cientifico, cientifico + sizeof cientifico, std::fabs(v),
                                 std::chars_format::scientific, digitos - 1);
    const std::string_view forma(cientifico, static_cast<std::size_t>(r.ptr - cientifico));
    const std::size_t e = forma.find('e');
    std::string cifras;
    for (const char c : forma.substr(0, e)) {
        if (c != '.') {
            cifras += c;
        }
    }
    while (cifras.size() > 1 && cifras.back() == '0') {
        cifras.pop_back();
    }
    int exponente = 0;
    const std::string_view textoExponente = forma.substr(e + (forma[e + 1] == '+' ? 2 : 1));
    std::from_chars(textoExponente.data(), textoExponente.data() + textoExponente.size(),
                    exponente);

    std::string resultado = v < 0 ? "-" : "";
    const auto n = static_cast<int>(cifras.size());
    if (exponente >= digitos || exponente < kExponenteMinimoLlano) {
        resultado += cifras[0];
        if (n > 1) {
            resultado += '.';
            resultado.append(cifras, 1);
        }
        resultado += exponente < 0 ? "E-" : "E+";
        const std::string valorExponente = std::to_string(std::abs(exponente));
        if (valorExponente.size() < 2) {
            resultado += '0';
        }
        resultado += valorExponente;
    } else if (exponente < 0) {
        resultado += '.';
        resultado.append(static_cast<std::size_t>(-exponente - 1), '0');
        resultado += cifras;
    } else if (n <= exponente + 1) {
        resultado += cifras;
        resultado.append(static_cast<std::size_t>(exponente + 1 - n), '0');
    } else {
        resultado.append(cifras, 0, static_cast<std::size_t>(exponente + 1));
        resultado += '.';
        resultado.append(cifras, static_cast<std::size_t>(exponente + 1));
    }
    return resultado;
}

Valor Valor::Nulo() {
    Valor v;
    v.tipo_ = Tipo::Null;
    return v;
}

Valor Valor::DeNumero(Tipo tipo, double v) {
    Valor r;
    r.tipo_ = tipo;
    r.numero_ = v;
    return r;
}

Valor Valor::Entero(int16_t v) { return DeNumero(Tipo::Integer, v); }
Valor Valor::Largo(int32_t v) { return DeNumero(Tipo::Long, v); }
Valor Valor::Simple(float v) { return DeNumero(Tipo::Single, v); }
Valor Valor::Doble(double v) { return DeNumero(Tipo::Double, v); }
Valor Valor::Decimal(double v) { return DeNumero(Tipo::Decimal, v); }
Valor Valor::Byte(uint8_t v) { return DeNumero(Tipo::Byte, v); }
Valor Valor::Moneda(double v) { return DeNumero(Tipo::Currency, v); }

Valor Valor::Texto(std::string v) {
    Valor r;
    r.tipo_ = Tipo::String;
    r.texto_ = std::move(v);
    return r;
}

Valor Valor::Fecha(Momento v) {
    Valor r;
    r.tipo_ = Tipo::Date;
    r.numero_ = static_cast<double>(v.time_since_epoch().count());
    return r;
}

Valor Valor::Logico(bool v) {
    Valor r;
    r.tipo_ = Tipo::Boolean;
    r.numero_ = v ? 1 : 0;
    return r;
}

Valor Valor::Matriz(Lista v) {
    Valor r;
    r.tipo_ = Tipo::Array;
    r.lista_ = std::move(v);
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
        return numero_;
    }
    if (tipo_ == Tipo::Boolean) {
        return numero_ != 0 ? -1 : 0;
    }
    TipoIncompatible();
}

bool Valor::ComoLogico() const {
    if (EsNumero() || tipo_ == Tipo::Boolean) {
        return numero_ != 0;
    }
    TipoIncompatible();
}

const std::string& Valor::ComoTexto() const {
    if (tipo_ != Tipo::String) {
        TipoIncompatible();
    }
    return texto_;
}

Momento Valor::ComoFecha() const {
    if (tipo_ != Tipo::Date) {
        TipoIncompatible();
    }
    return Momento{std::chrono::seconds{static_cast<int64_t>(numero_)}};
}

const Lista& Valor::ComoLista() const {
    if (tipo_ != Tipo::Array) {
        TipoIncompatible();
    }
    return lista_;
}

Lista& Valor::ComoLista() {
    if (tipo_ != Tipo::Array) {
        TipoIncompatible();
    }
    return lista_;
}

std::string Valor::ATexto() const {
    switch (tipo_) {
        case Tipo::Empty:
            return {};
        case Tipo::String:
            return texto_;
        case Tipo::Boolean:
            return numero_ != 0 ? "True" : "False";
        case Tipo::Date:
            return Formatea(ComoFecha(), "yyyy-mm-dd hh:nn:ss");
        case Tipo::Null:
        case Tipo::Array:
            TipoIncompatible();
        default:
            break;
    }
    std::string texto = NumeroATexto(numero_, tipo_ == Tipo::Single ? 7 : 15);
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
            return a.texto_ == b.texto_;
        case Valor::Tipo::Array:
            return a.lista_ == b.lista_;
        default:
            return a.numero_ == b.numero_;
    }
}

}  // namespace velqor
