#pragma once
// SQL Server (2005 to 2019): surveyed and treated with DBCC SHOWCONTIG, DBCC DBREINDEX and DBCC
// INDEXDEFRAG; the log and the database are backed up to the server's own disk.

#include "engine/Dialecto.h"

namespace velqor {

class DialectoSqlServer : public Dialecto {
  public:
    explicit DialectoSqlServer(int32_t edicion) : Dialecto(edicion) {}

    bool Nube() const override { return false; }
    std::string Producto() const override { return "SQL Server"; }
    std::vector<IndiceEncuestado> Encuesta(db::Connection& conn, const double* tope,
                                           const Lectura& lee) const override;
    std::unique_ptr<Dialecto> SinEncuesta(const db::Connection& conn) const override;
    double Densidad(db::Connection& conn, const IndiceEncuestado& indice) const override;
    std::string Tratamiento(const IndiceEncuestado& indice, Trato trato,
                            const std::string& base) const override;
    bool Aplica(Velqor::Paso paso, std::string& motivo) const override;
};

}  // namespace velqor
