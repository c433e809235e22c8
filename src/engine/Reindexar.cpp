// Index rebuild and defragmentation of every index under a density threshold as the definition's
// policy chooses, in the statements of the server's dialect, each measured and recorded in the
// density history.

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>

#include "common/General.h"
#include "engine/Dialecto.h"
#include "engine/EleccionTrato.h"
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

// A statement of the index phase that failed: ends the report's line with "Error |1: |2" and hands
// the error to InformaError with contexto.
void InformaFallo(const std::exception& e, const db::Connection& conn, const std::string& contexto,
                  std::string& informe) {
    const ErrorAtrapado error = ErrorAtrapado::De(e);
    AgregaLinea(informe, Mensaje("Error |1: |2",
                                 {Valor::Largo(error.numero), Valor::Texto(error.descripcion)}));
    InformaError(error.numero, error.descripcion, error.DelProveedor() ? &conn : nullptr, "", false,
                 contexto);
}

}  // namespace

bool Velqor::ReindexarTodo(db::Connection& conn, int32_t densidadMinima, int32_t minutosMaximo,
                           bool bloquear, bool& cancelar, std::string& informe) {
    bool resultado = true;
    try {
        const Momento inicio = reloj_.Ahora();
        const Politica& politica = perfil_.PoliticaDefinida();
        // Only the rows that sort before the threshold are kept: the rows after them are never
        // treated, and a survey of a million indexes mostly at full density then holds few.
        std::vector<IndiceEncuestado> lista;
        const double tope = densidadMinima;
        if (!Encuesta(conn, lista, &tope)) return false;
        // What the policy does with each index under the threshold, in the survey's order (the
        // most fragmented first); the others are left alone without a word.
        std::vector<std::optional<Dialecto::Trato>> tratos;
        for (const IndiceEncuestado& indice : lista) {
            const bool bajoUmbral = indice.densidad < densidadMinima;  // false without a figure
            tratos.push_back(
                bajoUmbral ? EleccionTrato::Para(politica, indice, !bloquear, *dialecto_).Trato()
                           : std::nullopt);
        }
        Avance avance{
            Paso::Indices, 0,
            static_cast<int32_t>(std::count_if(tratos.begin(), tratos.end(),
                                               [](const auto& t) { return t.has_value(); }))};
        Avanza(avance);
        if (avance.total > 0 && politica.esperaBloqueo &&
            !FijaEsperaBloqueo(conn, *politica.esperaBloqueo * 1000, informe))
            return false;
        for (size_t i = 0; i < lista.size(); ++i) {
            const IndiceEncuestado& indice = lista[i];
            if (tratos[i] && politica.limiteSegundos > 0 &&
                reloj_.Ahora() - inicio >= std::chrono::seconds(politica.limiteSegundos)) {
                // Past the time limit no treatment starts; what is left is said, not failed.
                AgregaLinea(informe, Mensaje("Skipped |1.|2 (time limit)",
                                             {Valor::Texto(indice.TablaVisible()),
                                              Valor::Texto(indice.indice)}));
                ++avance.hechos;
                Avanza(avance);
            } else if (tratos[i]) {
                const bool tratado = TratarIndice(conn, indice, *tratos[i], cancelar, informe);
                if (!tratado && cancelar) {
                    resultado = false;
                    break;
                }
                if (!tratado) resultado = false;
                ++avance.hechos;
                Avanza(avance);
            }
            // The minutes' budget is looked at after every row, treated or not.
            if (minutosMaximo > 0 && MinutosCruzados(inicio, reloj_.Ahora()) > minutosMaximo) break;
        }
        // The steps after the indexes wait for their locks as they always did.
        if (avance.total > 0 && politica.esperaBloqueo) FijaEsperaBloqueo(conn, -1, informe);
    } catch (const std::exception&) {
        // A failure outside the treatments (the clock, the advance receiver) ends the phase with
        // what was reached.
    }
    return resultado;
}

bool Velqor::FijaEsperaBloqueo(db::Connection& conn, int64_t milisegundos, std::string& informe) {
    try {
        conn.Execute("SET LOCK_TIMEOUT " + std::to_string(milisegundos), 1);
        return true;
    } catch (const std::exception& e) {
        InformaFallo(e, conn, "SET LOCK_TIMEOUT", informe);
        return false;
    }
}

bool Velqor::DBReindex(db::Connection& conn, const std::string& tabla, const std::string& indice,
                       bool& cancelar, std::string& informe) {
    return TratarIndice(conn, IndiceEncuestado{"", tabla, indice}, Dialecto::Trato::Reconstruye,
                        cancelar, informe);
}

bool Velqor::IndexDefrag(db::Connection& conn, const std::string& tabla, const std::string& indice,
                         bool& cancelar, std::string& informe) {
    return TratarIndice(conn, IndiceEncuestado{"", tabla, indice}, Dialecto::Trato::Reorganiza,
                        cancelar, informe);
}

bool Velqor::TratarIndice(db::Connection& conn, const IndiceEncuestado& indice,
                          Dialecto::Trato trato, bool& cancelar, std::string& informe) {
    if (!creado_) return false;
    const std::string tabla = indice.TablaVisible();
    // The history tells rebuilds (on line or not) from defragmentations.
    const bool bloquear = trato != Dialecto::Trato::Reorganiza;
    const char* anuncio = trato == Dialecto::Trato::Reconstruye ? "Reindex: |1 -> |2"
                          : trato == Dialecto::Trato::ReconstruyeEnLinea
                              ? "Online reindex: |1 -> |2"
                              : "Defrag: |1 -> |2";
    const char* linea = trato == Dialecto::Trato::Reconstruye          ? "Reindex |1.|2"
                        : trato == Dialecto::Trato::ReconstruyeEnLinea ? "Online Reindex |1.|2"
                                                                       : "Defrag Index |1.|2";
    try {
        const std::vector<Valor> nombres{Valor::Texto(tabla), Valor::Texto(indice.indice)};
        Progreso(Mensaje(anuncio, nombres), cancelar);
        if (cancelar) return false;

        const double antes = DensidadIndice(conn, indice);
        const Momento inicio = reloj_.Ahora();
        informe += Mensaje(linea, nombres) + " ";
        conn.Execute(dialecto_->Tratamiento(indice, trato, perfil_.NombreBase()), 1);
        const Momento fin = reloj_.Ahora();
        const double despues = DensidadIndice(conn, indice);
        AgregaLinea(informe, Duracion(inicio, true, reloj_.Ahora()));

        AnotaMedicion(tabla, indice.indice, {antes, inicio, fin, despues, bloquear});
        return true;
    } catch (const std::exception& e) {
        InformaFallo(e, conn, tabla + "(" + indice.indice + ")", informe);
        return false;
    }
}

}  // namespace velqor
