#pragma once
// Runs parsed statements against a scenario the way SQL Server answers them: result sets,
// INFO/ERROR messages with SQL Server's numbers and texts, and the changes to the shared state.

#include <cstdint>
#include <optional>
#include <string>

#include "Consulta.h"
#include "Escenario.h"
#include "EscritorTds.h"
#include "Estado.h"
#include "Sentencia.h"

namespace velqor::sqlsim {

// How a statement ended: whether it failed and the row count its final DONE carries.
struct Resultado {
    bool error = false;
    std::optional<uint64_t> cuenta;
};

class Ejecutor {
  public:
    Ejecutor(const Escenario& escenario, Estado& estado);

    // Writes the statement's tokens (all but its final DONE) and answers how it ended. `ctx.base`
    // changes on USE. Never throws for a statement the parser produced.
    Resultado Ejecuta(const Comando& c, ContextoSesion& ctx, EscritorTds& salida);

    // The key of a statement kind in the scenario's "durations" (e.g. "dbreindex").
    static std::string Tipo(const Comando& c);

  private:
    // The refusal of the cloud database service for a statement it does not offer, or nullopt.
    static std::optional<MensajeSql> NoEnLaNube(const Comando& c);

    const Escenario& esc_;
    Estado& estado_;
    Consulta consulta_;

    Resultado Hacer(const ShowContig& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const DbReindex& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const IndexDefrag& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const ShrinkFile& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Backup& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Seleccion& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const AlterIndex& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const VerificaRespaldo& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const UpdateStats& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Uso& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Fijar& s, ContextoSesion& ctx, EscritorTds& out);
    Resultado Hacer(const Procedimiento& s, ContextoSesion& ctx, EscritorTds& out);
};

}  // namespace velqor::sqlsim
