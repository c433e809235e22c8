#include "engine/DialectoNube.h"

#include <algorithm>
#include <map>
#include <utility>

#include "common/General.h"
#include "engine/Catalogo.h"

namespace velqor {
namespace {

using ClaveIndice = std::pair<int64_t, int32_t>;  // object id, index id

ClaveIndice IndiceDe(const db::FilaLeida& f) {
    return {static_cast<int64_t>(f.Numero(0).value_or(0)),
            static_cast<int32_t>(f.Numero(1).value_or(0))};
}

// What the physical stats tell of one index over its partitions.
struct Fisica {
    double fragmentacion = 0;  // the worst partition's
    int64_t paginas = 0;       // all partitions'
};

}  // namespace

std::vector<IndiceEncuestado> DialectoNube::Encuesta(db::Connection& conn, const double* tope,
                                                     const Lectura& lee) const {
    // Fragmentation of the in-row data of every index; a partitioned index is as fragmented as
    // its worst partition. 'LIMITED' reads the page counts too.
    std::map<ClaveIndice, Fisica> fisica;
    int32_t leidas = 0;
    const bool hubo = conn.Recorre(
        "SELECT object_id, index_id, avg_fragmentation_in_percent, page_count FROM "
        "sys.dm_db_index_physical_stats(DB_ID(), NULL, NULL, NULL, 'LIMITED') "
        "WHERE index_id > 0 AND alloc_unit_type_desc = 'IN_ROW_DATA'",
        {"object_id", "index_id", "avg_fragmentation_in_percent", "page_count"},
        [&](const db::FilaLeida& f) {
            lee(++leidas, false);
            const auto fragmentada = f.Numero(2);
            if (!fragmentada) return;
            const auto paginas = static_cast<int64_t>(f.Numero(3).value_or(0));
            auto [it, nuevo] = fisica.emplace(IndiceDe(f), Fisica{*fragmentada, paginas});
            if (nuevo) return;
            it->second.fragmentacion = std::max(it->second.fragmentacion, *fragmentada);
            it->second.paginas += paginas;
        },
        1);
    std::vector<IndiceEncuestado> indices;
    if (!hubo) return indices;
    lee(leidas, true);
    if (fisica.empty()) return indices;
    std::map<ClaveIndice, std::string> nombres;
    conn.Recorre(
        "SELECT object_id, index_id, name FROM sys.indexes WHERE index_id > 0",
        {"object_id", "index_id", "name"},
        [&](const db::FilaLeida& f) {
            const Valor nombre = f.Campo(2);
            if (!nombre.EsNulo()) nombres[IndiceDe(f)] = nombre.ATexto();
        },
        1);
    const auto catalogo = LeeCatalogo(conn);
    for (const auto& [clave, medida] : fisica) {
        // Only the tables and views of the catalog: internal and system tables take no ALTER INDEX.
        const auto objeto = catalogo.find(clave.first);
        const auto nombre = nombres.find(clave);
        if (objeto == catalogo.end() || nombre == nombres.end()) continue;
        const double densidad = 100.0 - medida.fragmentacion;
        if (tope && !(densidad < *tope)) continue;
        indices.push_back({objeto->second.esquema, objeto->second.nombre, nombre->second,
                           clave.first, clave.second, medida.paginas, densidad});
    }
    return indices;
}

double DialectoNube::Densidad(db::Connection& conn, const IndiceEncuestado& indice) const {
    if (indice.objectId == 0) return 0;
    auto rs = conn.Execute(
        "SELECT avg_fragmentation_in_percent FROM sys.dm_db_index_physical_stats(DB_ID(), " +
            std::to_string(indice.objectId) + ", " + std::to_string(indice.indexId) +
            ", NULL, 'LIMITED') WHERE alloc_unit_type_desc = 'IN_ROW_DATA'",
        1);
    if (!rs) return 0;
    double peor = -1;
    while (!rs->EOF()) {
        peor = std::max(peor, rs->Field("avg_fragmentation_in_percent").ComoDoble());
        rs->MoveNext();
    }
    rs->Close();
    return peor >= 0 ? 100.0 - peor : 0;
}

std::string DialectoNube::Tratamiento(const IndiceEncuestado& indice, Trato trato,
                                      const std::string&) const {
    switch (trato) {
        case Trato::Reconstruye:
            return AlterIndex(indice, "REBUILD");
        case Trato::ReconstruyeEnLinea:
            return AlterIndex(indice, kReconstruyeEnLinea);
        case Trato::Reorganiza:
            break;
    }
    return AlterIndex(indice, "REORGANIZE");
}

bool DialectoNube::Aplica(Velqor::Paso paso, std::string& motivo) const {
    // The service takes no BACKUP statement, nor the log truncation (a BACKUP LOG).
    const bool respaldo = paso == Velqor::Paso::BackupLog || paso == Velqor::Paso::Truncado ||
                          paso == Velqor::Paso::BackupBase;
    motivo = respaldo ? Mensaje("Doesn't apply to Azure SQL Database") : "";
    return !respaldo;
}

}  // namespace velqor
