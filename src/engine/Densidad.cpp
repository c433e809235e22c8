// The fragmentation survey: the scan density of every index of the database, and of one index.
// Servers that answer DBCC SHOWCONTIG are surveyed with it; a server without it (the cloud
// database service) through sys.dm_db_index_physical_stats.

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <utility>

#include "common/General.h"
#include "common/Texto1252.h"
#include "components/Matrices.h"
#include "engine/ErrorAtrapado.h"
#include "engine/ErroresServidor.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

// Schema and name of every table and view, by object id: one catalog query for the survey.
struct ObjetoCatalogo {
    std::string esquema;
    std::string nombre;
};
std::map<int64_t, ObjetoCatalogo> Catalogo(db::Connection& conn) {
    std::map<int64_t, ObjetoCatalogo> objetos;
    auto rs = conn.Execute(
        "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
        "WHERE type = 'U' OR type = 'V'",
        1);
    if (!rs) return objetos;
    while (!rs->EOF()) {
        const Valor id = rs->Field("object_id");
        if (id.EsNumero()) {
            objetos[static_cast<int64_t>(id.ComoDoble())] =
                ObjetoCatalogo{rs->Field("schema_name").ATexto(), rs->Field("name").ATexto()};
        }
        rs->MoveNext();
    }
    rs->Close();
    return objetos;
}

int64_t Entero(const Valor& v) { return v.EsNumero() ? static_cast<int64_t>(v.ComoDoble()) : 0; }

// The server has no DBCC SHOWCONTIG: "not supported in this version" (the cloud database
// service) or "incorrect DBCC statement" (a server that lacks the command).
bool SinDbcc(const db::Connection& conn) {
    using namespace errores_servidor;
    const auto& errores = conn.Errors();
    return !errores.empty() && (errores.front().NativeError == kDbccNoAdmitido ||
                                errores.front().NativeError == kDbccIncorrecto);
}

}  // namespace

std::string Velqor::IndiceEncuestado::TablaVisible() const {
    if (esquema.empty() || Mayusculas(esquema) == "DBO") return tabla;
    return esquema + "." + tabla;
}

std::string Velqor::IndiceEncuestado::TablaSql() const {
    if (esquema.empty()) return Sql::Identificador(tabla);
    return Sql::Identificador(esquema) + "." + Sql::Identificador(tabla);
}

Valor Velqor::IndiceEncuestado::Fila(Valor densidad) const {
    return Valor::Matriz({Valor::Texto(TablaVisible()), Valor::Texto(indice), std::move(densidad),
                          Valor::Texto(esquema), Valor::Texto(tabla),
                          Valor::Largo(static_cast<int32_t>(objectId)), Valor::Largo(indexId)});
}

Velqor::IndiceEncuestado Velqor::IndiceEncuestado::DeFila(const Lista& campos) {
    if (campos.size() < 7) return {"", campos.at(0).ATexto(), campos.at(1).ATexto()};
    return {campos[3].ATexto(), campos[4].ATexto(), campos[1].ATexto(), Entero(campos[5]),
            static_cast<int32_t>(Entero(campos[6]))};
}

bool Velqor::ObtenerDensidadActual(db::Connection& conn, Valor& mDensidad) {
    if (!creado_) return false;
    try {
        Valor lista = Valor::Matriz({});
        bool descartable = false;
        Progreso(Mensaje("Waiting for server response..."), descartable);
        try {
            EncuestaDbcc(conn, lista);
            sinDbcc_ = false;
        } catch (const ErrorEjecucion& e) {
            if (!ErrorAtrapado::De(e).DelProveedor() || !SinDbcc(conn)) throw;
            lista = Valor::Matriz({});
            EncuestaDmv(conn, lista);
            sinDbcc_ = true;
        }
        Matrices::Ordena(lista, -1, 2, -1);
        mDensidad = std::move(lista);
        return true;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        InformaError(error.numero, error.descripcion, error.DelProveedor() ? &conn : nullptr, "",
                     false, "");
        return false;
    }
}

void Velqor::AnunciaLectura(int32_t fila) {
    bool descartable = false;
    Progreso(Mensaje("Reading |1", {Valor::Largo(fila)}), descartable);
}

void Velqor::EncuestaDbcc(db::Connection& conn, Valor& lista) {
    auto rs =
        conn.Execute("DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS", 1);
    if (!rs) return;
    // Rows are kept as the list's own, with the table's schema still unknown: a large survey is
    // held once, not twice.
    int32_t leidas = 0;
    while (!rs->EOF()) {
        AnunciaLectura(++leidas);
        const Valor indiceId = rs->Field("IndexId");
        if (indiceId.EsNumero() && indiceId.ComoDoble() > 0) {
            const IndiceEncuestado i{"", rs->Field("ObjectName").ATexto(),
                                     rs->Field("IndexName").ATexto(), Entero(rs->Field("ObjectId")),
                                     static_cast<int32_t>(indiceId.ComoDoble())};
            Matrices::Agrega(lista, i.Fila(rs->Field("ScanDensity")));
        }
        rs->MoveNext();
    }
    rs->Close();
    if (!lista.EsMatriz() || lista.ComoLista().empty()) return;
    // The survey names tables without their schema; the catalog tells it by object id.
    const auto catalogo = Catalogo(conn);
    for (Valor& fila : lista.ComoLista()) {
        IndiceEncuestado i = IndiceEncuestado::DeFila(fila.ComoLista());
        const auto it = catalogo.find(i.objectId);
        if (it == catalogo.end()) continue;
        i.esquema = it->second.esquema;
        fila = i.Fila(fila.ComoLista()[2]);
    }
}

void Velqor::EncuestaDmv(db::Connection& conn, Valor& lista) {
    // Fragmentation of the in-row data of every index; a partitioned index is as fragmented as
    // its worst partition.
    std::map<std::pair<int64_t, int32_t>, double> fragmentacion;
    {
        auto rs = conn.Execute(
            "SELECT object_id, index_id, avg_fragmentation_in_percent FROM "
            "sys.dm_db_index_physical_stats(DB_ID(), NULL, NULL, NULL, 'LIMITED') "
            "WHERE index_id > 0 AND alloc_unit_type_desc = 'IN_ROW_DATA'",
            1);
        if (!rs) return;
        int32_t leidas = 0;
        while (!rs->EOF()) {
            AnunciaLectura(++leidas);
            const Valor f = rs->Field("avg_fragmentation_in_percent");
            if (f.EsNumero()) {
                const auto clave =
                    std::make_pair(Entero(rs->Field("object_id")),
                                   static_cast<int32_t>(Entero(rs->Field("index_id"))));
                auto [it, nuevo] = fragmentacion.emplace(clave, f.ComoDoble());
                if (!nuevo) it->second = std::max(it->second, f.ComoDoble());
            }
            rs->MoveNext();
        }
        rs->Close();
    }
    if (fragmentacion.empty()) return;
    std::map<std::pair<int64_t, int32_t>, std::string> nombres;
    {
        auto rs =
            conn.Execute("SELECT object_id, index_id, name FROM sys.indexes WHERE index_id > 0", 1);
        if (rs) {
            while (!rs->EOF()) {
                const Valor nombre = rs->Field("name");
                if (!nombre.EsNulo()) {
                    nombres[{Entero(rs->Field("object_id")),
                             static_cast<int32_t>(Entero(rs->Field("index_id")))}] =
                        nombre.ATexto();
                }
                rs->MoveNext();
            }
            rs->Close();
        }
    }
    const auto catalogo = Catalogo(conn);
    for (const auto& [clave, f] : fragmentacion) {
        // Only the tables and views of the catalog: internal and system tables take no ALTER INDEX.
        const auto objeto = catalogo.find(clave.first);
        const auto nombre = nombres.find(clave);
        if (objeto == catalogo.end() || nombre == nombres.end()) continue;
        const IndiceEncuestado i{objeto->second.esquema, objeto->second.nombre, nombre->second,
                                 clave.first, clave.second};
        Matrices::Agrega(lista, i.Fila(Valor::Doble(100.0 - f)));
    }
}

double Velqor::DensidadIndice(db::Connection& conn, const IndiceEncuestado& indice) {
    double densidad = 0;
    try {
        if (sinDbcc_) {
            if (indice.objectId == 0) return 0;
            auto rs = conn.Execute(
                "SELECT avg_fragmentation_in_percent FROM "
                "sys.dm_db_index_physical_stats(DB_ID(), " +
                    std::to_string(indice.objectId) + ", " + std::to_string(indice.indexId) +
                    ", NULL, 'LIMITED') WHERE alloc_unit_type_desc = 'IN_ROW_DATA'",
                1);
            if (rs) {
                double peor = -1;
                while (!rs->EOF()) {
                    peor = std::max(peor, rs->Field("avg_fragmentation_in_percent").ComoDoble());
                    rs->MoveNext();
                }
                rs->Close();
                if (peor >= 0) densidad = 100.0 - peor;
            }
            return densidad;
        }
        auto rs = conn.Execute("DBCC SHOWCONTIG (" + Sql::Literal(indice.TablaSql()) + "," +
                                   Sql::Identificador(indice.indice) +
                                   ") WITH FAST, TABLERESULTS, NO_INFOMSGS",
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
