#pragma once
// Dialecto: one kind of server, asked instead of tested. It is decided once per connection from
// the server's engine edition and answers which survey to run, how to measure and treat one
// index, and which steps of the pass apply. SQL Server takes DBCC and backs up to disk; the cloud
// service (Azure SQL Database) takes the physical-stats view and ALTER INDEX and makes no backup.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "engine/IndiceEncuestado.h"
#include "engine/TratoIndice.h"
#include "engine/Velqor.h"

namespace velqor {

class Dialecto {
  public:
    using Trato = TratoIndice;
    // Told each row the survey reads (fila counts from 1) and, with ultima, once when it is over.
    using Lectura = std::function<void(int32_t fila, bool ultima)>;

    virtual ~Dialecto() = default;

    // The dialect of conn's server, asked once: SERVERPROPERTY('EngineEdition'). A server that
    // does not answer is taken for SQL Server of an unknown edition (see SinEncuesta).
    static std::unique_ptr<Dialecto> De(db::Connection& conn);
    // The dialect of a server of that engine edition (0: not known). The cloud service for 5
    // (SQL Database), 6 and 11 (Synapse) and 8 (Managed Instance, which backs up to URLs only);
    // SQL Server for every other edition.
    static std::unique_ptr<Dialecto> DeEdicion(int32_t edicion);

    // SERVERPROPERTY('EngineEdition') as the server answered it; 0 when it did not.
    int32_t EdicionMotor() const { return edicion_; }
    // True for the cloud database service.
    virtual bool Nube() const = 0;
    // The product as the check names it: "SQL Server" or "Azure SQL Database".
    virtual std::string Producto() const = 0;
    // Whether the server rebuilds an index while users work on (ONLINE = ON): Enterprise,
    // Developer and Evaluation (edition 3), the cloud service and Managed Instance.
    bool ReconstruyeEnLinea() const;

    // Every index of the database (not heaps) whose density is under *tope (every one when tope
    // is null), in the server's order; each row read is told to lee. Throws what the server
    // refused.
    virtual std::vector<IndiceEncuestado> Encuesta(db::Connection& conn, const double* tope,
                                                   const Lectura& lee) const = 0;
    // The dialect to go on with after this one's survey was refused with conn's errors: the cloud
    // service when the edition was not known and the server lacks DBCC SHOWCONTIG (40518 or
    // 2526); null otherwise (the refusal is an error).
    virtual std::unique_ptr<Dialecto> SinEncuesta(const db::Connection& conn) const;
    // The scan density of one index now. Throws when it cannot be read.
    virtual double Densidad(db::Connection& conn, const IndiceEncuestado& indice) const = 0;
    // The statement that treats one index of the database named base.
    virtual std::string Tratamiento(const IndiceEncuestado& indice, Trato trato,
                                    const std::string& base) const = 0;
    // Whether the pass's step applies on this server; when it does not, motivo receives the
    // report's text for it ("Doesn't apply to ...").
    virtual bool Aplica(Velqor::Paso paso, std::string& motivo) const = 0;

  protected:
    explicit Dialecto(int32_t edicion) : edicion_(edicion) {}
    // ALTER INDEX [index] ON [schema].[table] followed by accion ("REBUILD", "REORGANIZE", ...).
    static std::string AlterIndex(const IndiceEncuestado& indice, const std::string& accion);
    // The on-line rebuild's action: REBUILD WITH (ONLINE = ON).
    static constexpr const char* kReconstruyeEnLinea = "REBUILD WITH (ONLINE = ON)";

  private:
    int32_t edicion_;
};

}  // namespace velqor
