#pragma once
// ColumnaLeida: every value of one column of a result set, stored compactly (one number or one
// slice of a shared text per row) and turned into a Valor on request.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Valor.h"

namespace velqor::db {

class ColumnaLeida {
public:
    // What the column's values become: Entero gives Long (Double beyond 32 bits), Doble gives
    // Double, Logico gives Boolean, Fecha gives Date, Texto gives String.
    enum class Clase { Entero, Doble, Logico, Fecha, Texto };

    ColumnaLeida(std::string nombre, Clase clase);

    const std::string& Nombre() const { return nombre_; }
    Clase clase() const { return clase_; }
    std::size_t Filas() const { return nulos_.size(); }

    // Appends one row's value. AgregaNumero serves every class but Texto (a Fecha is seconds since
    // the epoch of Momento, a Logico is 0 or not); the text forms serve Texto only.
    void AgregaNulo();
    void AgregaNumero(double valor);
    void AgregaTexto(std::string_view utf8);
    void AgregaTextoUtf16(const char16_t* texto, std::size_t unidades);

    // The value of row `fila` (which must exist).
    Valor ValorEn(std::size_t fila) const;
    // The value a non-Null number of class `clase` (not Texto) stands for.
    static Valor ValorDe(Clase clase, double numero);

private:
    std::string nombre_;
    Clase clase_;
    std::vector<uint8_t> nulos_;
    std::vector<double> numeros_;       // one per row, classes other than Texto
    std::string textos_;                // all texts of the column, one after another
    std::vector<std::size_t> finales_;  // end of each row's text in textos_
};

// Whether two column names are the same, ASCII letters compared without case.
bool MismoNombreColumna(std::string_view a, std::string_view b);

}  // namespace velqor::db
