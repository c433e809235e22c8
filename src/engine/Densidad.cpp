// The fragmentation survey: the scan density of every index of the database, and of one index.
// Servers that answer DBCC SHOWCONTIG are surveyed with it; a server without it (the cloud
// database service) through sys.dm_db_index_physical_stats.

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <utility>
#include <vector>

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
    conn.Recorre(
        "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
        "WHERE type = 'U' OR type = 'V'",
        {"object_id", "schema_name", "name"},
        [&](const db::FilaLeida& f) {
            if (const auto id = f.Numero(0)) {
                objetos[static_cast<int64_t>(*id)] =
                    ObjetoCatalogo{std::string(f.Texto(1)), std::string(f.Texto(2))};
            }
        },
        1);
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

// Whether a table's schema shows in front of its name: not when unknown nor for dbo.
bool EsquemaALaVista(const std::string& esquema) {
    return !esquema.empty() && Mayusculas(esquema) != "DBO";
}

// The schema as a survey row holds it: Null when unknown, Empty for dbo.
Valor EsquemaEnFila(const std::string& esquema) {
    if (esquema.empty()) return Valor::Nulo();
    return esquema == "dbo" ? Valor() : Valor::Texto(esquema);
}

}  // namespace

std::string Velqor::IndiceEncuestado::TablaVisible() const {
    if (!EsquemaALaVista(esquema)) return tabla;
    return esquema + "." + tabla;
}

std::string Velqor::IndiceEncuestado::TablaSql() const {
    if (esquema.empty()) return Sql::Identificador(tabla);
    return Sql::Identificador(esquema) + "." + Sql::Identificador(tabla);
}

Valor Velqor::IndiceEncuestado::Fila(Valor densidad, bool conIds) const {
    const bool enDbo = esquema == "dbo" && !conIds;
    Lista fila;
    fila.reserve(conIds ? 6 : enDbo ? 3 : 4);
    fila.push_back(Valor::Texto(TablaVisible()));
    fila.push_back(Valor::Texto(indice));
    fila.push_back(std::move(densidad));
    if (enDbo) return Valor::Matriz(std::move(fila));
    fila.push_back(EsquemaEnFila(esquema));
    if (conIds) {
        fila.push_back(Valor::Largo(static_cast<int32_t>(objectId)));
        fila.push_back(Valor::Largo(indexId));
    }
    return Valor::Matriz(std::move(fila));
}

void Velqor::IndiceEncuestado::PonEsquema(Valor& fila, const std::string& esquema) {
    if (esquema == "dbo") return;
    IndiceEncuestado i = DeFila(fila.ComoLista());
    i.esquema = esquema;
    fila = i.Fila(std::move(fila.ComoLista().at(2)), false);
}

Velqor::IndiceEncuestado Velqor::IndiceEncuestado::DeFila(const Lista& campos) {
    IndiceEncuestado i{"dbo", campos.at(0).ATexto(), campos.at(1).ATexto()};
    if (campos.size() < 4) return i;
    i.esquema = campos[3].EsNulo() ? "" : campos[3].EsVacio() ? "dbo" : campos[3].ATexto();
    // The table as shown carries a schema other than dbo in front of the table's own name.
    if (EsquemaALaVista(i.esquema)) i.tabla.erase(0, i.esquema.size() + 1);
    if (campos.size() >= 6) {
        i.objectId = Entero(campos[4]);
        i.indexId = static_cast<int32_t>(Entero(campos[5]));
    }
    return i;
}

bool Velqor::ObtenerDensidadActual(db::Connection& conn, Valor& mDensidad) {
    return Encuesta(conn, mDensidad, nullptr);
}

bool Velqor::Encuesta(db::Connection& conn, Valor& mDensidad, const Valor* tope) {
    if (!creado_) return false;
    try {
        Valor lista = Valor::Matriz({});
        bool descartable = false;
        Progreso(Mensaje("Waiting for server response..."), descartable);
        try {
            EncuestaDbcc(conn, lista, tope);
            sinDbcc_ = false;
        } catch (const ErrorEjecucion& e) {
            if (!ErrorAtrapado::De(e).DelProveedor() || !SinDbcc(conn)) throw;
            lista = Valor::Matriz({});
            EncuestaDmv(conn, lista, tope);
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

namespace {

constexpr int32_t kLecturasUnaAUna = 1000;

bool SeAnuncia(int32_t fila) { return fila <= kLecturasUnaAUna || fila % kLecturasUnaAUna == 0; }

}  // namespace

void Velqor::AnunciaLectura(int32_t fila, bool ultima) {
    if (ultima ? fila == 0 || SeAnuncia(fila) : !SeAnuncia(fila)) return;
    bool descartable = false;
    Progreso(Mensaje("Reading |1", {Valor::Largo(fila)}), descartable);
}

void Velqor::EncuestaDbcc(db::Connection& conn, Valor& lista, const Valor* tope) {
    // Rows go straight into the list, in dbo until the catalog tells otherwise, with their
    // object ids beside them until then: a large survey is held once.
    std::vector<int32_t> objetos;
    int32_t leidas = 0;
    const bool hubo = conn.Recorre(
        "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS",
        {"IndexId", "ObjectName", "IndexName", "ObjectId", "ScanDensity"},
        [&](const db::FilaLeida& f) {
            AnunciaLectura(++leidas);
            const auto indiceId = f.Numero(0);
            if (!indiceId || *indiceId <= 0) return;
            const IndiceEncuestado i{"dbo", std::string(f.Texto(1)), std::string(f.Texto(2)),
                                     static_cast<int64_t>(f.Numero(3).value_or(0)),
                                     static_cast<int32_t>(*indiceId)};
            Valor densidad = f.Campo(4);
            if (tope && !Matrices::Antes(densidad, *tope)) return;
            Matrices::Agrega(lista, i.Fila(std::move(densidad), false));
            objetos.push_back(static_cast<int32_t>(i.objectId));
        },
        1);
    AnunciaLectura(leidas, true);
    if (!hubo || objetos.empty()) return;
    // The survey names tables without their schema; the catalog tells it by object id.
    const auto catalogo = Catalogo(conn);
    Lista& filas = lista.ComoLista();
    for (std::size_t n = 0; n < filas.size(); ++n) {
        const auto it = catalogo.find(objetos[n]);
        IndiceEncuestado::PonEsquema(filas[n], it == catalogo.end() ? "" : it->second.esquema);
    }
}

void Velqor::EncuestaDmv(db::Connection& conn, Valor& lista, const Valor* tope) {
    // Fragmentation of the in-row data of every index; a partitioned index is as fragmented as
    // its worst partition.
    std::map<std::pair<int64_t, int32_t>, double> fragmentacion;
    const auto indiceDe = [](const db::FilaLeida& f) {
        return std::make_pair(static_cast<int64_t>(f.Numero(0).value_or(0)),
                              static_cast<int32_t>(f.Numero(1).value_or(0)));
    };
    int32_t leidas = 0;
    const bool hubo = conn.Recorre(
        "SELECT object_id, index_id, avg_fragmentation_in_percent FROM "
        "sys.dm_db_index_physical_stats(DB_ID(), NULL, NULL, NULL, 'LIMITED') "
        "WHERE index_id > 0 AND alloc_unit_type_desc = 'IN_ROW_DATA'",
        {"object_id", "index_id", "avg_fragmentation_in_percent"},
        [&](const db::FilaLeida& f) {
            AnunciaLectura(++leidas);
            const auto fragmentada = f.Numero(2);
            if (!fragmentada) return;
            auto [it, nuevo] = fragmentacion.emplace(indiceDe(f), *fragmentada);
            if (!nuevo) it->second = std::max(it->second, *fragmentada);
        },
        1);
    if (!hubo) return;
    AnunciaLectura(leidas, true);
    if (fragmentacion.empty()) return;
    std::map<std::pair<int64_t, int32_t>, std::string> nombres;
    conn.Recorre(
        "SELECT object_id, index_id, name FROM sys.indexes WHERE index_id > 0",
        {"object_id", "index_id", "name"},
        [&](const db::FilaLeida& f) {
            const Valor nombre = f.Campo(2);
            if (!nombre.EsNulo()) nombres[indiceDe(f)] = nombre.ATexto();
        },
        1);
    const auto catalogo = Catalogo(conn);
    for (const auto& [clave, f] : fragmentacion) {
        // Only the tables and views of the catalog: internal and system tables take no ALTER INDEX.
        const auto objeto = catalogo.find(clave.first);
        const auto nombre = nombres.find(clave);
        if (objeto == catalogo.end() || nombre == nombres.end()) continue;
        const IndiceEncuestado i{objeto->second.esquema, objeto->second.nombre, nombre->second,
                                 clave.first, clave.second};
        Valor densidad = Valor::Doble(100.0 - f);
        if (tope && !Matrices::Antes(densidad, *tope)) continue;
        Matrices::Agrega(lista, i.Fila(std::move(densidad), true));
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
