#pragma once
// The database layer the engine uses: a thin, ADO-shaped Connection/Recordset interface.
// A failing call throws ErrorEjecucion (a statement the server refused: number -2147217900 and the
// first diagnostic's text as description) and fills Errors() with every diagnostic, in order.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ErrorEjecucion.h"
#include "common/ErrorProveedor.h"
#include "common/Valor.h"

// The C library defines EOF as a macro, which would swallow Recordset::EOF(). Code that includes
// this header compares against std::char_traits<char>::eof() instead of the macro.
#ifdef EOF
#undef EOF
#endif

namespace velqor::db {

// One diagnostic record of the last failing call.
using velqor::ErrorProveedor;

// The result set of a statement, read forward only.
class Recordset {
public:
    virtual ~Recordset() = default;
    // True when there is no current row (past the last row, or no rows at all).
    virtual bool EOF() const = 0;
    // The value of the named column in the current row (case-insensitive name). Throws ErrorEjecucion
    // 3265 for an unknown name and 3021 when EOF() is true.
    virtual Valor Field(std::string_view nombre) const = 0;
    // Moves to the next row; throws ErrorEjecucion 3021 when already at EOF.
    virtual void MoveNext() = 0;
    // Releases the result; later calls throw ErrorEjecucion 3704.
    virtual void Close() = 0;
};

// The current row of a result read forward (Connection::Recorre): the columns asked for, by their
// place in the list of names asked for. A column the result lacks throws ErrorEjecucion 3265 when
// it is read, as Recordset::Field does.
class FilaLeida {
public:
    virtual ~FilaLeida() = default;
    // The value as Recordset::Field gives it.
    virtual Valor Campo(std::size_t columna) const = 0;
    // The number the value holds (what Valor::EsNumero accepts), or nothing.
    virtual std::optional<double> Numero(std::size_t columna) const;
    // The value as Valor::ATexto gives it (Null throws ErrorEjecucion 13); valid until the next row.
    virtual std::string_view Texto(std::size_t columna) const;

private:
    mutable std::string texto_;
};

// Takes one row of a result read forward.
using LectorFilas = std::function<void(const FilaLeida&)>;

// Called every ~50 ms on the calling thread while a statement (or the login) runs.
using WaitHook = std::function<void()>;

class Connection;

// Connection::Recorre through Execute and Field: the form of connections without a reader of their
// own.
bool RecorrePorExecute(Connection& conexion, const std::string& sentencia,
                       const std::vector<std::string>& columnas, const LectorFilas& lee,
                       int32_t opciones);

class Connection {
public:
    virtual ~Connection() = default;
    // Seconds a statement may run; 0 means no limit.
    virtual void SetCommandTimeout(int32_t segundos) = 0;
    // Seconds the login may take.
    virtual void SetConnectionTimeout(int32_t segundos) = 0;
    // The hook called while a call waits for the server; empty for none. When the hook throws, a
    // running statement is cancelled (a login is let run to its end), and once the call has
    // stopped the hook's exception propagates.
    virtual void SetWaitHook(WaitHook hook) = 0;
    // Opens the connection string (ODBC form); user and password, when not empty, are added to it.
    // Throws ErrorEjecucion on a refused login (-2147217843), an unknown driver, an unreachable
    // server or a login time-out (-2147467259); a login never outlasts the connection time-out.
    virtual void Open(const std::string& cadena, const std::string& usuario,
                      const std::string& clave, int32_t opciones = -1) = 0;
    // Runs a batch and answers its first result set (results carrying only a row count are skipped),
    // or nullptr when the batch returns none. The rows are read before it returns, so the
    // connection is free for the next statement while the caller walks them. Throws
    // ErrorEjecucion when the server refuses any statement of the batch (also one after the first
    // result set) or the connection is lost (-2147467259; the connection is then closed).
    virtual std::unique_ptr<Recordset> Execute(const std::string& sentencia, int32_t opciones = 1) = 0;
    // Runs a batch as Execute does and hands each row of its first result set, in order and on the
    // calling thread, to `lee`, holding the named `columnas` (case-insensitive) only; the whole
    // batch is read before it returns and nothing holds more than a block of rows. False when the
    // batch returns no result set. Throws as Execute does (rows already handed over stay handed
    // over), and what `lee` throws, once the rest of the batch has been dropped.
    virtual bool Recorre(const std::string& sentencia, const std::vector<std::string>& columnas,
                         const LectorFilas& lee, int32_t opciones = 1) {
        return RecorrePorExecute(*this, sentencia, columnas, lee, opciones);
    }
    // Closes the connection; harmless when it is not open.
    virtual void Close() = 0;
    // True between a successful Open and Close, or until a call finds the link lost.
    virtual bool IsOpen() const = 0;
    // The diagnostics of the last failing call; a successful call leaves them as they were.
    virtual const std::vector<ErrorProveedor>& Errors() const = 0;
};

// Makes a fresh, closed Connection (the engine makes one per pass).
using FabricaConexion = std::function<std::unique_ptr<Connection>()>;

}  // namespace velqor::db
