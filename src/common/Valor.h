#pragma once
// Valor: a dynamically typed value as the engine, the database layer and the array text use it
// (Empty, Null, numbers, String, Date, Boolean, nested lists). The format of its text form is
// described in docs/array-text.md.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Momento.h"

namespace velqor {

class Valor;
using Lista = std::vector<Valor>;

class Valor {
  public:
    // Kinds, named as the type names the array text knows them by.
    enum class Tipo {
        Empty,
        Null,
        Integer,   // 16-bit signed
        Long,      // 32-bit signed
        Single,    // float
        Double,    // double
        Decimal,   // kept as double here
        Byte,      // 8-bit unsigned
        Currency,  // a currency amount: cannot be written as array text
        String,    // UTF-8 text
        Date,      // Momento
        Boolean,
        Array,  // nested Lista
    };

    Valor() = default;  // Empty
    // Copies are deep; a moved-from Valor is Empty.
    Valor(const Valor& otro);
    Valor(Valor&& otro) noexcept { TomaDe(otro); }
    Valor& operator=(const Valor& otro);
    Valor& operator=(Valor&& otro) noexcept {
        if (this != &otro) {
            Libera();
            TomaDe(otro);
        }
        return *this;
    }
    ~Valor() { Libera(); }
    static Valor Nulo() { return DeNumero(Tipo::Null, 0.0); }
    static Valor Entero(int16_t v) { return DeNumero(Tipo::Integer, v); }
    static Valor Largo(int32_t v) { return DeNumero(Tipo::Long, v); }
    static Valor Simple(float v) { return DeNumero(Tipo::Single, v); }
    static Valor Doble(double v) { return DeNumero(Tipo::Double, v); }
    static Valor Decimal(double v) { return DeNumero(Tipo::Decimal, v); }
    static Valor Byte(uint8_t v) { return DeNumero(Tipo::Byte, v); }
    static Valor Moneda(double v) { return DeNumero(Tipo::Currency, v); }
    static Valor Texto(std::string v);
    static Valor Fecha(Momento v) {
        return DeNumero(Tipo::Date, static_cast<double>(v.time_since_epoch().count()));
    }
    static Valor Logico(bool v) { return DeNumero(Tipo::Boolean, v ? 1.0 : 0.0); }
    static Valor Matriz(Lista v);

    Tipo tipo() const { return tipo_; }
    // The VB-style type name: "Empty", "Null", "Integer", ..., "Array".
    std::string_view NombreTipo() const;
    bool EsVacio() const { return tipo_ == Tipo::Empty; }
    bool EsNulo() const { return tipo_ == Tipo::Null; }
    bool EsNumero() const;
    bool EsMatriz() const { return tipo_ == Tipo::Array; }

    // Accessors; each answers the stored value converted where a conversion is natural
    // (numbers to double, Boolean to -1/0) and throws ErrorEjecucion 13 ("Type mismatch")
    // otherwise.
    double ComoDoble() const;
    bool ComoLogico() const;
    const std::string& ComoTexto() const;  // String only
    Momento ComoFecha() const;             // Date only
    const Lista& ComoLista() const;        // Array only
    Lista& ComoLista();                    // Array only

    // Value-to-text as VB's CStr gives it: whole numbers as digits, others with up to 15
    // significant digits (7 for Single) and "." as separator (0.5, -0.25, 1E+20), "True"/"False",
    // dates "yyyy-mm-dd hh:nn:ss", Empty "".
    // Throws ErrorEjecucion 13 for Null and arrays.
    std::string ATexto() const;

    friend bool operator==(const Valor& a, const Valor& b);

  private:
    // A value held as a double: the numeric kinds (Currency included), Date, Boolean and Null.
    static Valor DeNumero(Tipo tipo, double v) {
        Valor r;
        r.tipo_ = tipo;
        r.dato_.numero = v;
        return r;
    }

    // Frees the String or Array the value holds and leaves it Empty.
    void Libera() noexcept {
        if (tipo_ == Tipo::String || tipo_ == Tipo::Array) {
            LiberaPropio();
        }
    }
    void LiberaPropio() noexcept;
    // Takes otro's contents into this value, which holds nothing of its own; otro is left Empty.
    void TomaDe(Valor& otro) noexcept {
        tipo_ = otro.tipo_;
        if (tipo_ == Tipo::String) {
            std::construct_at(&dato_.texto, std::move(otro.dato_.texto));
            std::destroy_at(&otro.dato_.texto);
        } else if (tipo_ == Tipo::Array) {
            std::construct_at(&dato_.lista, std::move(otro.dato_.lista));
            std::destroy_at(&otro.dato_.lista);
        } else {
            dato_.numero = otro.dato_.numero;
        }
        otro.tipo_ = Tipo::Empty;
        otro.dato_.numero = 0.0;
    }

    // All numeric kinds, Boolean (as 0/1) and Date (seconds since epoch) hold a double; a String or
    // an Array its own heap object. tipo_ says which member is alive. A Valor is two words whatever
    // it holds (a month's history holds millions of them).
    union Dato {
        double numero;
        std::unique_ptr<std::string> texto;
        std::unique_ptr<Lista> lista;
        Dato() : numero(0.0) {}
        ~Dato() {}
        Dato(const Dato&) = delete;
        Dato& operator=(const Dato&) = delete;
    };

    Dato dato_;
    Tipo tipo_ = Tipo::Empty;

    double Numero() const { return dato_.numero; }
};

// Locale-independent number text as the array text writes it: "." separator, no grouping,
// ".5" for one half, integers without a point, at most `digitos` significant digits,
// exponent as E+nn / E-nn where needed.
std::string NumeroATexto(double v, int digitos = 15);
// The same text written at destino, which has room for kLargoNumeroMaximo characters; answers
// where the text ends.
inline constexpr int kLargoNumeroMaximo = 32;
char* NumeroATexto(double v, int digitos, char* destino);

}  // namespace velqor
