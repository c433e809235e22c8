#include "db/LectorResultado.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/ErrorOdbc.h"
#include "db/Utf16.h"

namespace velqor::db {
namespace {

using Clase = ColumnaLeida::Clase;

// Longest text column (in characters) read through bound buffers; longer or unbounded ones
// (MAX types, text, xml) are read piecewise with SQLGetData.
constexpr SQLULEN kTextoEnlazableMaximo = 8000;
// Bytes of bound buffers per block of rows.
constexpr std::size_t kBytesPorBloque = 1 << 20;
constexpr std::size_t kFilasPorBloqueMaximo = 512;

struct Descripcion {
    std::string nombre;
    Clase clase = Clase::Texto;
    SQLSMALLINT tipoC = SQL_C_WCHAR;
    std::size_t ancho = 0;  // bytes of one bound value; 0 = read with SQLGetData
};

void Comprueba(SQLRETURN rc, SQLHSTMT sentencia) {
    if (!SQL_SUCCEEDED(rc)) throw ErrorDeSentencia(sentencia);
}

Descripcion Describe(SQLHSTMT sentencia, SQLUSMALLINT numero) {
    std::u16string nombre(256, u'\0');
    SQLSMALLINT largoNombre = 0, tipo = 0, decimales = 0, nulable = 0;
    SQLULEN tamano = 0;
    auto describe = [&] {
        return SQLDescribeColW(sentencia, numero, reinterpret_cast<SQLWCHAR*>(nombre.data()),
                               static_cast<SQLSMALLINT>(nombre.size()), &largoNombre, &tipo,
                               &tamano, &decimales, &nulable);
    };
    Comprueba(describe(), sentencia);
    if (largoNombre >= static_cast<SQLSMALLINT>(nombre.size())) {
        nombre.assign(static_cast<std::size_t>(largoNombre) + 1, u'\0');
        Comprueba(describe(), sentencia);
    }
    Descripcion d;
    d.nombre = AUtf8(std::u16string_view(
        nombre.data(),
        std::min<std::size_t>(static_cast<std::size_t>(largoNombre), nombre.size() - 1)));
    switch (tipo) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            d.clase = Clase::Entero, d.tipoC = SQL_C_SBIGINT, d.ancho = sizeof(SQLBIGINT);
            break;
        case SQL_BIT:
            d.clase = Clase::Logico, d.tipoC = SQL_C_BIT, d.ancho = sizeof(SQLCHAR);
            break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            d.clase = Clase::Doble, d.tipoC = SQL_C_DOUBLE, d.ancho = sizeof(SQLDOUBLE);
            break;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIMESTAMP:
            d.clase = Clase::Fecha, d.tipoC = SQL_C_TYPE_TIMESTAMP,
            d.ancho = sizeof(SQL_TIMESTAMP_STRUCT);
            break;
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            // Room for every character taking two UTF-16 units, plus the terminator, so that a
            // bound value is never cut short.
            if (tamano > 0 && tamano <= kTextoEnlazableMaximo)
                d.ancho = (static_cast<std::size_t>(tamano) * 2 + 1) * sizeof(SQLWCHAR);
            break;
        default:
            break;  // any other type (long text, binary, GUID, time) is read as text, piecewise
    }
    return d;
}

double SegundosDe(const SQL_TIMESTAMP_STRUCT& t) {
    using namespace std::chrono;
    const local_days dia{year{t.year} / month{t.month} / day{t.day}};
    const auto momento = dia + hours{t.hour} + minutes{t.minute} + seconds{t.second};
    return static_cast<double>(momento.time_since_epoch().count());
}

// Stores one bound (or fetched) fixed-size value.
void AgregaFijo(ColumnaLeida& columna, const Descripcion& d, const char* dato) {
    switch (d.tipoC) {
        case SQL_C_SBIGINT: {
            SQLBIGINT v;
            std::memcpy(&v, dato, sizeof v);
            columna.AgregaNumero(static_cast<double>(v));
            break;
        }
        case SQL_C_BIT:
            columna.AgregaNumero(static_cast<unsigned char>(*dato) != 0 ? 1 : 0);
            break;
        case SQL_C_DOUBLE: {
            SQLDOUBLE v;
            std::memcpy(&v, dato, sizeof v);
            columna.AgregaNumero(v);
            break;
        }
        default: {
            SQL_TIMESTAMP_STRUCT v;
            std::memcpy(&v, dato, sizeof v);
            columna.AgregaNumero(SegundosDe(v));
            break;
        }
    }
}

[[noreturn]] void FallaTruncado(const std::string& columna) {
    throw ErrorOdbc(
        errores::kFalloGeneral,
        {{0, "The value of column '" + columna + "' did not fit its read buffer.", "01004"}});
}

// One column's bound buffers for a block of rows (column-wise binding). The data buffer is left
// uninitialised: a result of a few rows then touches only the pages its rows fill.
struct Enlace {
    std::unique_ptr<char[]> datos;
    std::vector<SQLLEN> indicadores;
};

void LeeEnBloques(SQLHSTMT sentencia, const std::vector<Descripcion>& descripciones,
                  std::vector<ColumnaLeida>& columnas) {
    std::size_t anchoFila = 0;
    for (const auto& d : descripciones) anchoFila += d.ancho + sizeof(SQLLEN);
    const std::size_t filasBloque =
        std::clamp<std::size_t>(kBytesPorBloque / anchoFila, 1, kFilasPorBloqueMaximo);

    std::vector<Enlace> enlaces(descripciones.size());
    std::vector<SQLUSMALLINT> estados(filasBloque);
    SQLULEN leidas = 0;
    for (std::size_t c = 0; c < descripciones.size(); ++c) {
        enlaces[c].datos =
            std::make_unique_for_overwrite<char[]>(descripciones[c].ancho * filasBloque);
        enlaces[c].indicadores.resize(filasBloque);
    }

    // The statement must forget these buffers before they go away, whatever happens.
    struct Desenlaza {
        SQLHSTMT s;
        ~Desenlaza() {
            SQLFreeStmt(s, SQL_UNBIND);
            SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
            SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
            SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        }
    } desenlaza{sentencia};

    Comprueba(SQLSetStmtAttr(sentencia, SQL_ATTR_ROW_BIND_TYPE,
                             reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
              sentencia);
    Comprueba(SQLSetStmtAttr(sentencia, SQL_ATTR_ROW_ARRAY_SIZE,
                             reinterpret_cast<SQLPOINTER>(filasBloque), 0),
              sentencia);
    Comprueba(SQLSetStmtAttr(sentencia, SQL_ATTR_ROW_STATUS_PTR, estados.data(), 0), sentencia);
    Comprueba(SQLSetStmtAttr(sentencia, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0), sentencia);
    for (std::size_t c = 0; c < descripciones.size(); ++c) {
        Comprueba(SQLBindCol(sentencia, static_cast<SQLUSMALLINT>(c + 1), descripciones[c].tipoC,
                             enlaces[c].datos.get(), static_cast<SQLLEN>(descripciones[c].ancho),
                             enlaces[c].indicadores.data()),
                  sentencia);
    }

    for (;;) {
        const SQLRETURN rc = SQLFetch(sentencia);
        if (rc == SQL_NO_DATA) return;
        Comprueba(rc, sentencia);
        for (SQLULEN f = 0; f < leidas; ++f) {
            if (estados[f] == SQL_ROW_ERROR) throw ErrorDeSentencia(sentencia);
            for (std::size_t c = 0; c < descripciones.size(); ++c) {
                const Descripcion& d = descripciones[c];
                const SQLLEN indicador = enlaces[c].indicadores[f];
                const char* dato = enlaces[c].datos.get() + f * d.ancho;
                if (indicador == SQL_NULL_DATA) {
                    columnas[c].AgregaNulo();
                } else if (d.clase != Clase::Texto) {
                    AgregaFijo(columnas[c], d, dato);
                } else {
                    if (indicador == SQL_NO_TOTAL || static_cast<std::size_t>(indicador) >= d.ancho)
                        FallaTruncado(d.nombre);
                    columnas[c].AgregaTextoUtf16(
                        reinterpret_cast<const char16_t*>(dato),
                        static_cast<std::size_t>(indicador) / sizeof(SQLWCHAR));
                }
            }
        }
    }
}

// Reads a whole text value piece by piece.
void LeeTextoPorPartes(SQLHSTMT sentencia, SQLUSMALLINT numero, ColumnaLeida& columna) {
    constexpr std::size_t kUnidades = 4096;
    std::u16string trozo(kUnidades, u'\0');
    std::u16string texto;
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(sentencia, numero, SQL_C_WCHAR, trozo.data(),
                       static_cast<SQLLEN>(kUnidades * sizeof(SQLWCHAR)), &indicador);
        if (rc == SQL_NO_DATA) break;
        Comprueba(rc, sentencia);
        if (indicador == SQL_NULL_DATA) {
            columna.AgregaNulo();
            return;
        }
        const std::size_t completo = kUnidades - 1;  // a full piece leaves room for the terminator
        const std::size_t unidades =
            indicador == SQL_NO_TOTAL
                ? completo
                : std::min(completo, static_cast<std::size_t>(indicador) / sizeof(SQLWCHAR));
        texto.append(trozo.data(), unidades);
        if (rc == SQL_SUCCESS) break;  // SQL_SUCCESS_WITH_INFO means more is to come
    }
    columna.AgregaTextoUtf16(texto.data(), texto.size());
}

void LeeFilaPorFila(SQLHSTMT sentencia, const std::vector<Descripcion>& descripciones,
                    std::vector<ColumnaLeida>& columnas) {
    alignas(8) char fijo[sizeof(SQL_TIMESTAMP_STRUCT)];
    for (;;) {
        const SQLRETURN rc = SQLFetch(sentencia);
        if (rc == SQL_NO_DATA) return;
        Comprueba(rc, sentencia);
        for (std::size_t c = 0; c < descripciones.size(); ++c) {
            const Descripcion& d = descripciones[c];
            const auto numero = static_cast<SQLUSMALLINT>(c + 1);
            if (d.clase == Clase::Texto) {
                LeeTextoPorPartes(sentencia, numero, columnas[c]);
                continue;
            }
            SQLLEN indicador = 0;
            Comprueba(SQLGetData(sentencia, numero, d.tipoC, fijo, sizeof fijo, &indicador),
                      sentencia);
            if (indicador == SQL_NULL_DATA)
                columnas[c].AgregaNulo();
            else
                AgregaFijo(columnas[c], d, fijo);
        }
    }
}

}  // namespace

std::unique_ptr<RecordsetLeido> LeeResultado(SQLHSTMT sentencia, SQLSMALLINT columnas) {
    std::vector<Descripcion> descripciones;
    std::vector<ColumnaLeida> leidas;
    bool enlazable = true;
    for (SQLSMALLINT c = 1; c <= columnas; ++c) {
        descripciones.push_back(Describe(sentencia, static_cast<SQLUSMALLINT>(c)));
        leidas.emplace_back(descripciones.back().nombre, descripciones.back().clase);
        enlazable = enlazable && descripciones.back().ancho > 0;
    }
    // Bound blocks are the fast path; one unbounded column sends the whole result set through
    // SQLGetData, since drivers need not allow SQLGetData beside bound blocks.
    if (enlazable)
        LeeEnBloques(sentencia, descripciones, leidas);
    else
        LeeFilaPorFila(sentencia, descripciones, leidas);
    return std::make_unique<RecordsetLeido>(std::move(leidas));
}

}  // namespace velqor::db
