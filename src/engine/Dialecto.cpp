#include "engine/Dialecto.h"

#include <exception>

#include "engine/DialectoNube.h"
#include "engine/DialectoSqlServer.h"
#include "engine/Sql.h"

namespace velqor {
namespace {

// SERVERPROPERTY('EngineEdition') values.
constexpr int32_t kEnterprise = 3;  // also Developer and Evaluation
constexpr int32_t kSqlDatabase = 5;
constexpr int32_t kSynapse = 6;
constexpr int32_t kManagedInstance = 8;
constexpr int32_t kSynapseSinServidor = 11;

}  // namespace

std::unique_ptr<Dialecto> Dialecto::De(db::Connection& conn) {
    int32_t edicion = 0;
    try {
        auto rs = conn.Execute(
            "SELECT CAST(SERVERPROPERTY('EngineEdition') AS int) AS engine_edition", 1);
        if (rs && !rs->EOF()) {
            const Valor valor = rs->Field("engine_edition");
            if (valor.EsNumero()) edicion = static_cast<int32_t>(valor.ComoDoble());
            rs->Close();
        }
    } catch (const std::exception&) {
        // A server that does not say is told apart by its survey (SinEncuesta).
    }
    return DeEdicion(edicion);
}

std::unique_ptr<Dialecto> Dialecto::DeEdicion(int32_t edicion) {
    switch (edicion) {
        case kSqlDatabase:
        case kSynapse:
        case kManagedInstance:
        case kSynapseSinServidor:
            return std::make_unique<DialectoNube>(edicion);
        default:
            return std::make_unique<DialectoSqlServer>(edicion);
    }
}

bool Dialecto::ReconstruyeEnLinea() const {
    return edicion_ == kEnterprise || edicion_ == kSqlDatabase || edicion_ == kManagedInstance;
}

std::string Dialecto::AlterIndex(const IndiceEncuestado& indice, const std::string& accion) {
    return "ALTER INDEX " + Sql::Identificador(indice.indice) + " ON " + indice.TablaSql() + " " +
           accion;
}

std::unique_ptr<Dialecto> Dialecto::SinEncuesta(const db::Connection&) const { return nullptr; }

}  // namespace velqor
