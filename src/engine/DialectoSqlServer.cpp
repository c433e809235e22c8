#include "engine/DialectoSqlServer.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Catalogo.h"
#include "engine/DialectoNube.h"
#include "engine/ErroresServidor.h"
#include "engine/Sql.h"

namespace velqor {

namespace {

// The survey's rows as they are read, in blocks that never move: a row's numbers and the place of
// its names in its block's text. The list of records is built once all are read, at its size, so
// that the survey never holds the records twice while a list of them grows.
class FilasLeidas {
  public:
    void Agrega(const db::FilaLeida& f, int32_t indexId, double densidad) {
        if (bloques_.empty() || bloques_.back().filas.size() == kPorBloque) {
            bloques_.emplace_back().filas.reserve(kPorBloque);
        }
        Bloque& b = bloques_.back();
        Fila fila;
        fila.desde = static_cast<uint32_t>(b.nombres.size());
        b.nombres.append(f.Texto(1));
        fila.largoTabla = static_cast<uint32_t>(b.nombres.size() - fila.desde);
        b.nombres.append(f.Texto(2));
        fila.largoIndice = static_cast<uint32_t>(b.nombres.size() - fila.desde - fila.largoTabla);
        fila.objectId = static_cast<int64_t>(f.Numero(3).value_or(0));
        fila.indexId = indexId;
        fila.paginas = static_cast<int64_t>(f.Numero(5).value_or(0));
        fila.densidad = densidad;
        b.filas.push_back(fila);
        ++cuantas_;
    }

    // The records of the rows read, in their order; the rows are let go block by block.
    std::vector<IndiceEncuestado> Registros() {
        std::vector<IndiceEncuestado> indices;
        indices.reserve(cuantas_);
        for (Bloque& b : bloques_) {
            const std::string_view nombres = b.nombres;
            for (const Fila& f : b.filas) {
                indices.push_back({"dbo", std::string(nombres.substr(f.desde, f.largoTabla)),
                                   std::string(nombres.substr(f.desde + f.largoTabla, f.largoIndice)),
                                   f.objectId, f.indexId, f.paginas, f.densidad});
            }
            b = {};
        }
        return indices;
    }

  private:
    static constexpr std::size_t kPorBloque = 4096;
    // A block holds at most kPorBloque rows, so its names stay far below 4 GB.
    struct Fila {
        int64_t objectId;
        int64_t paginas;
        double densidad;
        uint32_t desde;  // where the table's name starts in the block's names; the index's follows
        uint32_t largoTabla;
        uint32_t largoIndice;
        int32_t indexId;
    };
    struct Bloque {
        std::vector<Fila> filas;
        std::string nombres;
    };
    std::vector<Bloque> bloques_;
    std::size_t cuantas_ = 0;
};

}  // namespace

std::vector<IndiceEncuestado> DialectoSqlServer::Encuesta(db::Connection& conn, const double* tope,
                                                          const Lectura& lee) const {
    FilasLeidas filas;
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
            filas.Agrega(f, static_cast<int32_t>(*indiceId), densidad);
        },
        1);
    std::vector<IndiceEncuestado> indices = filas.Registros();
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
    // DBCC has no on-line rebuild: ALTER INDEX (SQL Server 2005 on) does it.
    if (trato == Trato::ReconstruyeEnLinea) return AlterIndex(indice, kReconstruyeEnLinea);
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
