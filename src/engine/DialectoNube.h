#pragma once
// The cloud database service (Azure SQL Database): no DBCC SHOWCONTIG, DBREINDEX or INDEXDEFRAG
// and no BACKUP statement; surveyed through sys.dm_db_index_physical_stats (density being 100
// minus the fragmentation) and treated with ALTER INDEX. The service keeps its own backups.

#include "engine/Dialecto.h"

namespace velqor {

class DialectoNube : public Dialecto {
  public:
    explicit DialectoNube(int32_t edicion) : Dialecto(edicion) {}

    bool Nube() const override { return true; }
    std::string Producto() const override { return "Azure SQL Database"; }
    std::vector<IndiceEncuestado> Encuesta(db::Connection& conn, const double* tope,
                                           const Lectura& lee) const override;
    double Densidad(db::Connection& conn, const IndiceEncuestado& indice) const override;
    std::string Tratamiento(const IndiceEncuestado& indice, Trato trato,
                            const std::string& base) const override;
    bool Aplica(Velqor::Paso paso, std::string& motivo) const override;
};

}  // namespace velqor
