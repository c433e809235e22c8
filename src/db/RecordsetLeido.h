#pragma once
// RecordsetLeido: a Recordset over rows already read from the server, so that the connection is
// free for the next statement while the caller walks the rows.

#include <cstddef>
#include <string_view>
#include <vector>

#include "db/ColumnaLeida.h"
#include "db/Connection.h"

namespace velqor::db {

class RecordsetLeido final : public Recordset {
public:
    // Every column holds the same number of rows; the first row is current (EOF when none).
    explicit RecordsetLeido(std::vector<ColumnaLeida> columnas);

    bool EOF() const override;
    Valor Field(std::string_view nombre) const override;
    void MoveNext() override;
    void Close() override;

private:
    void ExigeAbierto() const;

    std::vector<ColumnaLeida> columnas_;
    std::size_t filas_ = 0;
    std::size_t actual_ = 0;
    bool cerrado_ = false;
};

}  // namespace velqor::db
