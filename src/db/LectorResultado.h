#pragma once
// Reads the result set an executed statement is positioned on: block by block through bound
// buffers, or row by row through SQLGetData when a column has no bounded size.

#include <sql.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "db/ColumnaLeida.h"
#include "db/RecordsetLeido.h"

namespace velqor::db {

// How one column of the result is read.
struct Descripcion {
    SQLUSMALLINT numero = 0;  // 1-based, in the result set
    std::string nombre;
    ColumnaLeida::Clase clase = ColumnaLeida::Clase::Texto;
    SQLSMALLINT tipoC = 0;
    std::size_t ancho = 0;  // bytes of one bound value; 0 = read with SQLGetData
};

// The description of column `numero` of the current result set. Throws ErrorOdbc.
Descripcion Describe(SQLHSTMT sentencia, SQLUSMALLINT numero);
// The descriptions of the `columnas` columns of the current result set, in order. Throws
// ErrorOdbc.
std::vector<Descripcion> DescribeTodas(SQLHSTMT sentencia, SQLSMALLINT columnas);

// One value as fetched: SQL_NULL_DATA, or its length in bytes and its data (UTF-16 for texts).
struct Celda {
    SQLLEN indicador = SQL_NULL_DATA;
    const char* dato = nullptr;
};

// Reads the chosen columns of the result set, a block of rows at a time. The statement forgets
// the buffers when the reader ends.
class LectorBloques {
  public:
    LectorBloques(SQLHSTMT sentencia, std::vector<Descripcion> columnas);
    ~LectorBloques();
    LectorBloques(const LectorBloques&) = delete;
    LectorBloques& operator=(const LectorBloques&) = delete;

    const std::vector<Descripcion>& Columnas() const { return columnas_; }
    // Fetches the next block; false past the last row. Throws ErrorOdbc when the fetch fails.
    bool Siguiente();
    // Rows in the block fetched last.
    std::size_t Filas() const { return enBloques_ ? static_cast<std::size_t>(leidas_) : 1; }
    // The value of column `columna` (its place in Columnas()) in row `fila` of the block. Throws
    // ErrorOdbc when a bound text did not fit its buffer or the row could not be fetched.
    Celda En(std::size_t fila, std::size_t columna) const;

  private:
    struct Enlace;
    void Enlaza();
    void LeeFila();

    SQLHSTMT sentencia_;
    std::vector<Descripcion> columnas_;
    bool enBloques_ = true;
    std::vector<Enlace> enlaces_;
    std::vector<SQLUSMALLINT> estados_;
    SQLULEN leidas_ = 0;
};

// The value of a fixed-size (not text) cell as the number ColumnaLeida keeps for it.
double NumeroDe(const Descripcion& d, const char* dato);

// The value of a non-Null cell of a text column, in UTF-8, appended to `destino`.
void AgregaTexto(std::string& destino, const Celda& celda);

// Reads all rows of the result set the statement is positioned on (it has `columnas` > 0
// columns). Throws ErrorOdbc with the statement's diagnostics when a fetch fails. The statement
// is left at the end of that result set, with no columns bound.
std::unique_ptr<RecordsetLeido> LeeResultado(SQLHSTMT sentencia, SQLSMALLINT columnas);

}  // namespace velqor::db
