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

void Comprueba(SQLRETURN rc, SQLHSTMT sentencia) {
    if (!SQL_SUCCEEDED(rc)) throw ErrorDeSentencia(sentencia);
}

}  // namespace

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
    d.numero = numero;
    d.tipoC = SQL_C_WCHAR;
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

std::vector<Descripcion> DescribeTodas(SQLHSTMT sentencia, SQLSMALLINT columnas) {
    std::vector<Descripcion> todas;
    for (SQLSMALLINT c = 1; c <= columnas; ++c)
        todas.push_back(Describe(sentencia, static_cast<SQLUSMALLINT>(c)));
    return todas;
}

namespace {

double SegundosDe(const SQL_TIMESTAMP_STRUCT& t) {
    using namespace std::chrono;
    const local_days dia{year{t.year} / month{t.month} / day{t.day}};
    const auto momento = dia + hours{t.hour} + minutes{t.minute} + seconds{t.second};
    return static_cast<double>(momento.time_since_epoch().count());
}

[[noreturn]] void FallaTruncado(const std::string& columna) {
    throw ErrorOdbc(
        errores::kFalloGeneral,
        {{0, "The value of column '" + columna + "' did not fit its read buffer.", "01004"}});
}

// Reads a whole text value piece by piece into `texto`; false when it is Null.
bool LeeTextoPorPartes(SQLHSTMT sentencia, SQLUSMALLINT numero, std::u16string& texto) {
    constexpr std::size_t kUnidades = 4096;
    std::u16string trozo(kUnidades, u'\0');
    texto.clear();
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(sentencia, numero, SQL_C_WCHAR, trozo.data(),
                       static_cast<SQLLEN>(kUnidades * sizeof(SQLWCHAR)), &indicador);
        if (rc == SQL_NO_DATA) break;
        Comprueba(rc, sentencia);
        if (indicador == SQL_NULL_DATA) return false;
        const std::size_t completo = kUnidades - 1;  // a full piece leaves room for the terminator
        const std::size_t unidades =
            indicador == SQL_NO_TOTAL
                ? completo
                : std::min(completo, static_cast<std::size_t>(indicador) / sizeof(SQLWCHAR));
        texto.append(trozo.data(), unidades);
        if (rc == SQL_SUCCESS) break;  // SQL_SUCCESS_WITH_INFO means more is to come
    }
    return true;
}

// Makes the statement forget the buffers and the block of a LectorBloques.
void Desenlaza(SQLHSTMT sentencia) {
    SQLFreeStmt(sentencia, SQL_UNBIND);
    SQLSetStmtAttr(sentencia, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(sentencia, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(sentencia, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
}

}  // namespace

double NumeroDe(const Descripcion& d, const char* dato) {
    switch (d.tipoC) {
        case SQL_C_SBIGINT: {
            SQLBIGINT v;
            std::memcpy(&v, dato, sizeof v);
            return static_cast<double>(v);
        }
        case SQL_C_BIT:
            return static_cast<unsigned char>(*dato) != 0 ? 1 : 0;
        case SQL_C_DOUBLE: {
            SQLDOUBLE v;
            std::memcpy(&v, dato, sizeof v);
            return v;
        }
        default: {
            SQL_TIMESTAMP_STRUCT v;
            std::memcpy(&v, dato, sizeof v);
            return SegundosDe(v);
        }
    }
}

void AgregaTexto(std::string& destino, const Celda& celda) {
    AgregaUtf8(destino, reinterpret_cast<const char16_t*>(celda.dato),
               static_cast<std::size_t>(celda.indicador) / sizeof(SQLWCHAR));
}

// One column's buffers: in blocks, its bound values and indicators (column-wise binding; the data
// is left uninitialised, so that a result of a few rows touches only the pages its rows fill);
// row by row, the current value.
struct LectorBloques::Enlace {
    std::unique_ptr<char[]> datos;
    std::vector<SQLLEN> indicadores;
    std::u16string texto;
};

LectorBloques::LectorBloques(SQLHSTMT sentencia, std::vector<Descripcion> columnas)
    : sentencia_(sentencia), columnas_(std::move(columnas)), enlaces_(columnas_.size()) {
    // Bound blocks are the fast path; one unbounded column sends the whole result set through
    // SQLGetData, since drivers need not allow SQLGetData beside bound blocks.
    enBloques_ = std::all_of(columnas_.begin(), columnas_.end(),
                             [](const Descripcion& d) { return d.ancho > 0; });
    if (enBloques_) {
        try {
            Enlaza();
        } catch (...) {
            Desenlaza(sentencia_);  // the statement must not keep the buffers
            throw;
        }
        return;
    }
    for (Enlace& e : enlaces_) {
        e.datos = std::make_unique<char[]>(sizeof(SQL_TIMESTAMP_STRUCT));
        e.indicadores.resize(1);
    }
}

LectorBloques::~LectorBloques() {
    if (enBloques_) Desenlaza(sentencia_);
}

void LectorBloques::Enlaza() {
    std::size_t anchoFila = 0;
    for (const auto& d : columnas_) anchoFila += d.ancho + sizeof(SQLLEN);
    const std::size_t filasBloque =
        anchoFila == 0
            ? kFilasPorBloqueMaximo
            : std::clamp<std::size_t>(kBytesPorBloque / anchoFila, 1, kFilasPorBloqueMaximo);
    estados_.resize(filasBloque);
    Comprueba(SQLSetStmtAttr(sentencia_, SQL_ATTR_ROW_BIND_TYPE,
                             reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
              sentencia_);
    Comprueba(SQLSetStmtAttr(sentencia_, SQL_ATTR_ROW_ARRAY_SIZE,
                             reinterpret_cast<SQLPOINTER>(filasBloque), 0),
              sentencia_);
    Comprueba(SQLSetStmtAttr(sentencia_, SQL_ATTR_ROW_STATUS_PTR, estados_.data(), 0), sentencia_);
    Comprueba(SQLSetStmtAttr(sentencia_, SQL_ATTR_ROWS_FETCHED_PTR, &leidas_, 0), sentencia_);
    for (std::size_t c = 0; c < columnas_.size(); ++c) {
        const Descripcion& d = columnas_[c];
        enlaces_[c].datos = std::make_unique_for_overwrite<char[]>(d.ancho * filasBloque);
        enlaces_[c].indicadores.resize(filasBloque);
        Comprueba(SQLBindCol(sentencia_, d.numero, d.tipoC, enlaces_[c].datos.get(),
                             static_cast<SQLLEN>(d.ancho), enlaces_[c].indicadores.data()),
                  sentencia_);
    }
}

bool LectorBloques::Siguiente() {
    const SQLRETURN rc = SQLFetch(sentencia_);
    if (rc == SQL_NO_DATA) return false;
    Comprueba(rc, sentencia_);
    if (!enBloques_) LeeFila();
    return true;
}

void LectorBloques::LeeFila() {
    for (std::size_t c = 0; c < columnas_.size(); ++c) {
        const Descripcion& d = columnas_[c];
        Enlace& e = enlaces_[c];
        if (d.clase == Clase::Texto) {
            e.indicadores[0] = LeeTextoPorPartes(sentencia_, d.numero, e.texto)
                                   ? static_cast<SQLLEN>(e.texto.size() * sizeof(SQLWCHAR))
                                   : SQL_NULL_DATA;
            continue;
        }
        Comprueba(SQLGetData(sentencia_, d.numero, d.tipoC, e.datos.get(),
                             sizeof(SQL_TIMESTAMP_STRUCT), &e.indicadores[0]),
                  sentencia_);
    }
}

Celda LectorBloques::En(std::size_t fila, std::size_t columna) const {
    const Descripcion& d = columnas_[columna];
    const Enlace& e = enlaces_[columna];
    if (!enBloques_) {
        return {e.indicadores[0], d.clase == Clase::Texto
                                      ? reinterpret_cast<const char*>(e.texto.data())
                                      : e.datos.get()};
    }
    if (estados_[fila] == SQL_ROW_ERROR) throw ErrorDeSentencia(sentencia_);
    const SQLLEN indicador = e.indicadores[fila];
    if (d.clase == Clase::Texto && indicador != SQL_NULL_DATA &&
        (indicador == SQL_NO_TOTAL || static_cast<std::size_t>(indicador) >= d.ancho))
        FallaTruncado(d.nombre);
    return {indicador, e.datos.get() + fila * d.ancho};
}

std::unique_ptr<RecordsetLeido> LeeResultado(SQLHSTMT sentencia, SQLSMALLINT columnas) {
    LectorBloques lector(sentencia, DescribeTodas(sentencia, columnas));
    std::vector<ColumnaLeida> leidas;
    for (const Descripcion& d : lector.Columnas()) leidas.emplace_back(d.nombre, d.clase);
    while (lector.Siguiente()) {
        for (std::size_t f = 0; f < lector.Filas(); ++f) {
            for (std::size_t c = 0; c < leidas.size(); ++c) {
                const Celda celda = lector.En(f, c);
                if (celda.indicador == SQL_NULL_DATA)
                    leidas[c].AgregaNulo();
                else if (leidas[c].clase() == Clase::Texto)
                    leidas[c].AgregaTextoUtf16(
                        reinterpret_cast<const char16_t*>(celda.dato),
                        static_cast<std::size_t>(celda.indicador) / sizeof(SQLWCHAR));
                else
                    leidas[c].AgregaNumero(NumeroDe(lector.Columnas()[c], celda.dato));
            }
        }
    }
    return std::make_unique<RecordsetLeido>(std::move(leidas));
}

}  // namespace velqor::db
