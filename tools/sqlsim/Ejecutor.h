#pragma once
// Runs parsed statements against a scenario the way SQL Server answers them: result sets,
// INFO/ERROR messages with SQL Server's numbers and texts, and the changes to the shared state.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Consulta.h"
#include "Escenario.h"
#include "EscritorTds.h"
#include "Estado.h"
#include "Sentencia.h"

namespace velqor::sqlsim {

// How a statement ended: whether it failed and the row count its final DONE carries; or that the
// client cut a wait short, in which case nothing more is to be answered for the statement.
struct Resultado {
    bool error = false;
    std::optional<uint64_t> cuenta;
    bool interrumpido = false;
    int32_t numeroError = 0;  // the first error's number (what @@ERROR answers next)
};

// Spends `ms` simulated milliseconds (-1: until the client cuts the wait short); false when the
// client cut it short.
using Esperar = std::function<bool(int ms)>;

class Ejecutor {
  public:
    Ejecutor(const Escenario& escenario, Estado& estado);

    // Spends the statement's simulated time through `espera` (an index statement also waits for
    // the locks other sessions hold), writes its tokens (all but its final DONE) and answers how it
    // ended. `ctx` changes on USE and SET. Never throws for a statement the parser produced.
    Resultado Ejecuta(const Comando& c, ContextoSesion& ctx, EscritorTds& salida,
                      const Esperar& espera);

    // The key of a statement kind in the scenario's "durations" (e.g. "dbreindex").
    static std::string Tipo(const Comando& c);

  private:
    // The refusal of the cloud database service for a statement it does not offer, or nullopt.
    static std::optional<MensajeSql> NoEnLaNube(const Comando& c);
    // Runs the statement once its refusals are past: waits and answers it.
    Resultado Corre(const Comando& c, ContextoSesion& ctx, EscritorTds& salida,
                    const Esperar& espera);

    const Escenario& esc_;
    Estado& estado_;
    Consulta consulta_;

    // Waits as an index statement of kind `tipo` on these indexes of database `base` does: for
    // the locks other sessions hold on them, within the session's lock timeout, then for its
    // duration. nullopt when the statement goes on; otherwise how it ended (1222, or cut short).
    std::optional<Resultado> EsperaIndices(const std::string& tipo, size_t base,
                                           const std::vector<size_t>& indices,
                                           const ContextoSesion& ctx, const Esperar& espera,
                                           EscritorTds& out) const;

    Resultado Hacer(const ShowContig& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const DbReindex& s, ContextoSesion& ctx, EscritorTds& out,
                    const Esperar& espera);
    Resultado Hacer(const IndexDefrag& s, ContextoSesion& ctx, EscritorTds& out,
                    const Esperar& espera);
    Resultado Hacer(const ShrinkFile& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Backup& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Seleccion& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const AlterIndex& s, ContextoSesion& ctx, EscritorTds& out,
                    const Esperar& espera);
    Resultado Hacer(const VerificaRespaldo& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const UpdateStats& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Uso& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Fijar& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Procedimiento& s, ContextoSesion& ctx, EscritorTds& out);
};

}  // namespace velqor::sqlsim
