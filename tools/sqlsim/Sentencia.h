#pragma once
// The statements sqlsim understands, as the parser hands them to the executor.
// Names keep the text the client wrote once its quoting ('..'/[..]/"..") has been undone.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velqor::sqlsim {

// A server message (ERROR when clase > 10, INFO otherwise) with SQL Server's number and text.
struct MensajeSql {
    int32_t numero = 0;
    uint8_t estado = 1;
    uint8_t clase = 16;
    std::string texto;
};

// An object named in a DBCC argument: a name, or a number (an id, or 0 for "the current one").
struct Objeto {
    std::string nombre;
    std::optional<int64_t> numero;
    std::string escrito;  // a string's text, or a name as written (brackets kept): what a table
                          // argument is resolved from
};

// A scalar expression or condition (WHERE clauses, select lists).
struct Expresion {
    enum class Tipo {
        Columna,
        Texto,
        Numero,
        Nulo,
        Variable,
        Funcion,
        Comparacion,
        Y,
        O,
        No,
        EsNulo
    };
    Tipo tipo = Tipo::Nulo;
    std::string texto;  // column, literal text, variable, function name (upper case) or operator
    int64_t numero = 0;
    std::vector<Expresion> hijos;
};

struct ElementoSeleccion {
    bool todas = false;  // "*"
    Expresion valor;
    std::string alias;  // empty: the column's own name, or no name
};

struct ShowContig {
    std::optional<Objeto> tabla;  // absent for "()" or no parentheses: every table
    std::optional<Objeto> indice;
    bool fast = false, tableResults = false, allIndexes = false, noInfoMsgs = false;
};

struct DbReindex {
    Objeto tabla;
    std::optional<Objeto> indice;  // absent or '': every index of the table
    bool noInfoMsgs = false;
};

struct IndexDefrag {
    Objeto base;  // 0: the current database
    Objeto tabla;
    Objeto indice;
    bool noInfoMsgs = false;
};

struct ShrinkFile {
    Objeto archivo;
    std::optional<int64_t> objetivoMB;
    bool noInfoMsgs = false;
};

struct Backup {
    bool log = false;  // BACKUP LOG (else BACKUP DATABASE)
    std::string base;
    std::optional<std::string> disco;   // TO DISK='...'
    std::vector<std::string> opciones;  // WITH options, upper case (TRUNCATE_ONLY, INIT, ...)
};

// RESTORE VERIFYONLY FROM DISK='...' [WITH options]
struct VerificaRespaldo {
    std::string disco;
    std::vector<std::string> opciones;  // upper case (CHECKSUM, NO_CHECKSUM, ...)
};

struct Orden {
    Expresion clave;
    bool descendente = false;
};

struct Seleccion {
    std::vector<ElementoSeleccion> elementos;
    std::optional<int64_t> top;
    std::string tabla;  // empty: no FROM clause; schema prefixes dbo. and sys. are kept in the name
    std::optional<std::vector<Expresion>> argumentos;  // a table-valued function's arguments
    std::optional<Expresion> donde;
    std::vector<Orden> orden;  // ORDER BY
};

// ALTER INDEX name|ALL ON [db.][schema.]table REBUILD|REORGANIZE [WITH (...)]
struct AlterIndex {
    std::string indice;              // empty: ALL
    std::vector<std::string> tabla;  // the name's parts, quoting undone
    bool reconstruir = false;        // REBUILD (else REORGANIZE)
    bool enLinea = false;            // REBUILD ... WITH (ONLINE = ON ...)
};

struct UpdateStats {};
struct Uso {
    std::string base;
};
// SET option[, option...] value. BEGIN TRAN, COMMIT, ROLLBACK, IF and DECLARE, accepted and
// ignored, come as a Fijar without options.
struct Fijar {
    std::vector<std::string> opciones;  // upper case; "TRANSACTION ISOLATION LEVEL" as one
    std::string valor;                  // the value word(s) or string, upper case ("ON", "READ
                                        // COMMITTED", "US_ENGLISH"); empty for a number
    std::optional<int64_t> numero;      // a numeric value (LOCK_TIMEOUT -1, TEXTSIZE 2147483647)
};
struct Procedimiento {
    std::string nombre;  // a stored procedure sqlsim does not know
};

using Comando = std::variant<ShowContig, DbReindex, IndexDefrag, ShrinkFile, Backup, Seleccion,
                             AlterIndex, VerificaRespaldo, UpdateStats, Uso, Fijar, Procedimiento>;

// A parsed batch: its statements in order, or the compile errors that stop it from running at all.
struct Lote {
    std::vector<Comando> comandos;
    std::vector<MensajeSql> errores;
};

}  // namespace velqor::sqlsim
