// The fragmentation survey: the scan density of every index of the database, and of one index.

#include <exception>
#include <memory>

#include "common/General.h"
#include "components/Matrices.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {

bool Velqor::ObtenerDensidadActual(db::Connection& conn, Valor& mDensidad) {
    if (!creado_) return false;
    try {
        Valor lista = Valor::Matriz({});
        bool descartable = false;
        Progreso(Mensaje("Waiting for server response..."), descartable);
        auto rs =
            conn.Execute("DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS", 1);
        if (rs) {
            int32_t leidas = 0;
            while (!rs->EOF()) {
                ++leidas;
                bool descartableFila = false;
                Progreso(Mensaje("Reading |1", {Valor::Largo(leidas)}), descartableFila);
                const Valor indiceId = rs->Field("IndexId");
                if (indiceId.EsNumero() && indiceId.ComoDoble() > 0) {
                    Matrices::Agrega(lista,
                                     Valor::Matriz({rs->Field("ObjectName"), rs->Field("IndexName"),
                                                    rs->Field("ScanDensity")}));
                }
                rs->MoveNext();
            }
            rs->Close();
            Matrices::Ordena(lista, -1, 2, -1);
        }
        mDensidad = std::move(lista);
        return true;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        InformaError(error.numero, error.descripcion, &conn, "", false, "");
        return false;
    }
}

double Velqor::DensidadIndice(db::Connection& conn, const std::string& tabla,
                              const std::string& indice) {
    double densidad = 0;
    try {
        auto rs =
            conn.Execute("DBCC SHOWCONTIG (" + Sql::Literal(tabla) + "," +
                             Sql::Identificador(indice) + ") WITH FAST, TABLERESULTS, NO_INFOMSGS",
                         1);
        if (rs) {
            densidad = rs->Field("ScanDensity").ComoDoble();
            rs->Close();
        }
    } catch (const std::exception&) {
        // An index that cannot be measured counts as density 0.
    }
    return densidad;
}

}  // namespace velqor
