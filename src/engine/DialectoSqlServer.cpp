#include "engine/DialectoSqlServer.h"

#include <cmath>

#include "engine/Catalogo.h"
#include "engine/DialectoNube.h"
#include "engine/ErroresServidor.h"
#include "engine/Sql.h"

namespace velqor {

std::vector<IndiceEncuestado> DialectoSqlServer::Encuesta(db::Connection& conn, const double* tope,
                                                          const Lectura& lee) const {
    std::vector<IndiceEncuestado> indices;
    int32_t leidas = 0;
    const bool hubo = conn.Recorre(
        "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS",
        {"IndexId", "ObjectName", "IndexName", "ObjectId", "ScanDensity", "Pages"},
        [&](const db::FilaLeida& f) {
            lee(++leidas, false);
            const auto indiceId = f.Numero(0);
            if (!indiceId || *indiceId <= 0) return;
            const double densidad = f.Numero(4).value_or(std::nan(""));
            if (tope && densidad >= *tope) return;
            indices.push_back({"dbo", std::string(f.Texto(1)), std::string(f.Texto(2)),
                               static_cast<int64_t>(f.Numero(3).value_or(0)),
                               static_cast<int32_t>(*indiceId),
                               static_cast<int64_t>(f.Numero(5).value_or(0)), densidad});
        },
        1);
    lee(leidas, true);
    if (!hubo || indices.empty()) return indices;
    // The survey names tables without their schema; the catalog tells it by object id.
    const auto catalogo = LeeCatalogo(conn);
    for (IndiceEncuestado& i : indices) {
        const auto it = catalogo.find(i.objectId);
        i.esquema = it == catalogo.end() ? "" : it->second.esquema;
    }
    return indices;
}

std::unique_ptr<Dialecto> DialectoSqlServer::SinEncuesta(const db::Connection& conn) const {
    using namespace errores_servidor;
    // "Not supported in this version" (the cloud service) or "incorrect DBCC statement" (a server
    // without the command), from a server that did not tell its edition.
    const auto& errores = conn.Errors();
    if (EdicionMotor() != 0 || errores.empty()) return nullptr;
    const int32_t nativo = errores.front().NativeError;
    if (nativo != kDbccNoAdmitido && nativo != kDbccIncorrecto) return nullptr;
    return std::make_unique<DialectoNube>(0);
}

double DialectoSqlServer::Densidad(db::Connection& conn, const IndiceEncuestado& indice) const {
    double densidad = 0;
    auto rs = conn.Execute("DBCC SHOWCONTIG (" + Sql::Literal(indice.TablaSql()) + "," +
                               Sql::Identificador(indice.indice) +
                               ") WITH FAST, TABLERESULTS, NO_INFOMSGS",
                           1);
    if (rs) {
        densidad = rs->Field("ScanDensity").ComoDoble();
        rs->Close();
    }
    return densidad;
}

std::string DialectoSqlServer::Tratamiento(const IndiceEncuestado& indice, Trato trato,
                                           const std::string& base) const {
    // DBCC takes the table inside a string, schema and all.
    const std::string tabla = Sql::Literal(indice.TablaSql());
    if (trato == Trato::Reconstruye)
        return "DBCC DBREINDEX (" + tabla + ", " + Sql::Literal(indice.indice) + ")";
    return "DBCC INDEXDEFRAG (" + Sql::Identificador(base) + ", " + tabla + ", " +
           Sql::Literal(indice.indice) + ")";
}

bool DialectoSqlServer::Aplica(Velqor::Paso, std::string& motivo) const {
    // Every step is sent; the server's own refusal tells when one does not apply to the database.
    motivo.clear();
    return true;
}

}  // namespace velqor
