// Index rebuild (users off line) and on-line defragmentation of every index under a density
// threshold, in the statements of the server's dialect, each measured and recorded in the density
// history.

#include <algorithm>
#include <chrono>
#include <exception>

#include "common/General.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"
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
        std::vector<IndiceEncuestado> lista;
        const double tope = densidadMinima;
        if (!Encuesta(conn, lista, &tope)) return false;
        const auto bajoUmbral = [densidadMinima](const IndiceEncuestado& indice) {
            return indice.densidad < densidadMinima;  // false for an index without a figure
        };
        Avance avance{Paso::Indices, 0,
                      static_cast<int32_t>(std::count_if(lista.begin(), lista.end(), bajoUmbral))};
        Avanza(avance);
        for (const IndiceEncuestado& indice : lista) {
            if (bajoUmbral(indice)) {
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
        // A failure outside the treatments (the clock, the advance receiver) ends the phase with
        // what was reached.
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
        conn.Execute(
            dialecto_->Tratamiento(
                indice, bloquear ? Dialecto::Trato::Reconstruye : Dialecto::Trato::Reorganiza,
                perfil_.NombreBase()),
            1);
        const Momento fin = reloj_.Ahora();
        const double despues = DensidadIndice(conn, indice);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));

        AnotaMedicion(tabla, indice.indice, {antes, inicio, fin, despues, bloquear});
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
