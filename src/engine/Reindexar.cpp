// Index rebuild (DBCC DBREINDEX, users off line) and on-line defragmentation (DBCC INDEXDEFRAG)
// of every index under a density threshold, each measured and recorded in the density history.

#include <algorithm>
#include <chrono>
#include <exception>

#include "common/General.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

// Clock-minute boundaries crossed between desde and hasta (10:00:59 to 10:01:00 is one).
int64_t MinutosCruzados(Momento desde, Momento hasta) {
    using std::chrono::floor;
    using std::chrono::minutes;
    return (floor<minutes>(hasta) - floor<minutes>(desde)).count();
}

}  // namespace

bool Velqor::ReindexarTodo(db::Connection& conn, int32_t densidadMinima, int32_t minutosMaximo,
                           bool bloquear, bool& cancelar, std::string& informe) {
    bool resultado = true;
    try {
        const Momento inicio = reloj_.Ahora();
        // Only the rows that sort before the threshold are kept: the rows after them are never
        // treated, and a survey of a million indexes mostly at full density then holds few.
        Valor lista;
        const Valor tope = Valor::Doble(densidadMinima);
        if (!Encuesta(conn, lista, &tope)) return false;
        if (!lista.EsMatriz()) return resultado;
        const auto bajoUmbral = [densidadMinima](const Valor& fila) {
            const Valor& densidad = fila.ComoLista().at(2);
            return densidad.EsNumero() && densidad.ComoDoble() < densidadMinima;
        };
        Avance avance{Paso::Indices, 0,
                      static_cast<int32_t>(std::count_if(lista.ComoLista().begin(),
                                                         lista.ComoLista().end(), bajoUmbral))};
        Avanza(avance);
        for (const Valor& fila : lista.ComoLista()) {
            if (bajoUmbral(fila)) {
                const IndiceEncuestado indice = IndiceEncuestado::DeFila(fila.ComoLista());
                const bool tratado = TratarIndice(conn, indice, bloquear, cancelar, informe);
                if (!tratado && cancelar) {
                    resultado = false;
                    break;
                }
                ++avance.hechos;
                Avanza(avance);
                if (!tratado) resultado = false;
            }
            if (minutosMaximo > 0 && MinutosCruzados(inicio, reloj_.Ahora()) > minutosMaximo) break;
        }
    } catch (const std::exception&) {
        // A survey row of an unexpected shape ends the phase with what was reached.
    }
    return resultado;
}

bool Velqor::DBReindex(db::Connection& conn, const std::string& tabla, const std::string& indice,
                       bool& cancelar, std::string& informe) {
    return TratarIndice(conn, IndiceEncuestado{"", tabla, indice}, true, cancelar, informe);
}

bool Velqor::IndexDefrag(db::Connection& conn, const std::string& tabla, const std::string& indice,
                         bool& cancelar, std::string& informe) {
    return TratarIndice(conn, IndiceEncuestado{"", tabla, indice}, false, cancelar, informe);
}

namespace {

// The statement that rebuilds (bloquear) or defragments one index: DBCC on servers that have it,
// ALTER INDEX where the survey found none. Tables are named schema and all, inside the string
// where DBCC takes one.
std::string SentenciaIndice(const std::string& tablaSql, const std::string& indice, bool bloquear,
                            bool sinDbcc, const std::string& base) {
    if (sinDbcc) {
        return "ALTER INDEX " + Sql::Identificador(indice) + " ON " + tablaSql +
               (bloquear ? " REBUILD" : " REORGANIZE");
    }
    if (bloquear)
        return "DBCC DBREINDEX (" + Sql::Literal(tablaSql) + ", " + Sql::Literal(indice) + ")";
    return "DBCC INDEXDEFRAG (" + Sql::Identificador(base) + ", " + Sql::Literal(tablaSql) + ", " +
           Sql::Literal(indice) + ")";
}

}  // namespace

bool Velqor::TratarIndice(db::Connection& conn, const IndiceEncuestado& indice, bool bloquear,
                          bool& cancelar, std::string& informe) {
    if (!creado_) return false;
    const std::string tabla = indice.TablaVisible();
    try {
        const std::vector<Valor> nombres{Valor::Texto(tabla), Valor::Texto(indice.indice)};
        Progreso(Mensaje(bloquear ? "Reindex: |1 -> |2" : "Defrag: |1 -> |2", nombres), cancelar);
        if (cancelar) return false;

        const double antes = DensidadIndice(conn, indice);
        const Momento inicio = reloj_.Ahora();
        informe += Mensaje(bloquear ? "Reindex |1.|2" : "Defrag Index |1.|2", nombres) + " ";
        conn.Execute(SentenciaIndice(indice.TablaSql(), indice.indice, bloquear, sinDbcc_,
                                     perfil_.NombreBase()),
                     1);
        const Momento fin = reloj_.Ahora();
        const double despues = DensidadIndice(conn, indice);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));

        historialEscritoEn_.clear();
        estadistica_.Agrega(tabla, indice.indice, {antes, inicio, fin, despues, bloquear});
        return true;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        AgregaLinea(informe, Mensaje("Error |1: |2", {Valor::Largo(error.numero),
                                                      Valor::Texto(error.descripcion)}));
        InformaError(error.numero, error.descripcion, error.DelProveedor() ? &conn : nullptr, "",
                     false, tabla + "(" + indice.indice + ")");
        return false;
    }
}

}  // namespace velqor
