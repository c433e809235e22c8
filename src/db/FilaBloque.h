#pragma once
// FilaBloque: the current row of a LectorBloques, seen as a FilaLeida through the names asked for.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/LectorResultado.h"

namespace velqor::db {

class FilaBloque final : public FilaLeida {
public:
    // The columns of the result set the statement is positioned on that `nombres` asks for, in
    // the order asked; a name the result lacks is left out (reading it fails).
    static std::vector<Descripcion> Elegidas(SQLHSTMT sentencia, SQLSMALLINT columnas,
                                             const std::vector<std::string>& nombres);

    // `lector` reads the columns Elegidas gave for the same `nombres`.
    FilaBloque(const LectorBloques& lector, const std::vector<std::string>& nombres);

    // Makes row `fila` of the lector's current block the current row.
    void Posiciona(std::size_t fila) { fila_ = fila; }

    Valor Campo(std::size_t columna) const override;
    std::optional<double> Numero(std::size_t columna) const override;
    std::string_view Texto(std::size_t columna) const override;

private:
    // The reader's column for the columna-th name asked for; throws 3265 when there is none.
    std::size_t Columna(std::size_t columna) const;

    const LectorBloques& lector_;
    std::vector<std::size_t> columnas_;  // the reader's column per name asked for; npos: none
    std::size_t fila_ = 0;
    mutable std::vector<std::string> textos_;
};

}  // namespace velqor::db
