#pragma once
// Valor: a dynamically typed value as the engine, the database layer and the array text use it
// (Empty, Null, numbers, String, Date, Boolean, nested lists). The format of its text form is
// described in docs/array-text.md.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
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
    Valor(Valor&& otro) noexcept;
    Valor& operator=(const Valor& otro);
    Valor& operator=(Valor&& otro) noexcept;
    ~Valor() = default;
    static Valor Nulo();
    static Valor Entero(int16_t v);
    static Valor Largo(int32_t v);
    static Valor Simple(float v);
    static Valor Doble(double v);
    static Valor Decimal(double v);
    static Valor Byte(uint8_t v);
    static Valor Moneda(double v);
    static Valor Texto(std::string v);
    static Valor Fecha(Momento v);
    static Valor Logico(bool v);
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
    // A value of one of the numeric kinds (Currency included).
    static Valor DeNumero(Tipo tipo, double v);

    // All numeric kinds, Boolean (as 0/1) and Date (seconds since epoch) hold a double; a String or
    // an Array its own heap object, so that a Valor stays three words long whatever it holds (a
    // month's history holds millions of them).
    using Dato = std::variant<double, std::unique_ptr<std::string>, std::unique_ptr<Lista>>;

    Tipo tipo_ = Tipo::Empty;
    Dato dato_ = 0.0;

    double Numero() const { return std::get<double>(dato_); }
};

// Locale-independent number text as the array text writes it: "." separator, no grouping,
// ".5" for one half, integers without a point, at most `digitos` significant digits,
// exponent as E+nn / E-nn where needed.
std::string NumeroATexto(double v, int digitos = 15);

}  // namespace velqor
