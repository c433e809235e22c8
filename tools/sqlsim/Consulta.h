#pragma once
// Answers SELECT statements over the few tables sqlsim knows (UsuariosPW, sys.database_files,
// sys.schemas, sys.objects, sys.indexes, sys.dm_db_index_physical_stats(...)) or over no table at
// all (SELECT 1, SELECT @@VERSION, ...), with WHERE conditions evaluated as SQL Server does:
// three-valued logic, case-insensitive text unless the database says otherwise, trailing blanks
// ignored in comparisons, LIKE with % and _.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Escenario.h"
#include "EscritorTds.h"
#include "Estado.h"
#include "Sentencia.h"

namespace velqor::sqlsim {

struct ValorSql {
    enum class Tipo { Nulo, Entero, Texto, Real, Fecha };  // Fecha: texto "yyyy-mm-dd hh:mm:ss"
    Tipo tipo = Tipo::Nulo;
    int64_t entero = 0;
    std::string texto;
    double real = 0;
};

// What a statement may read of the session that runs it.
struct ContextoSesion {
    size_t base = 0;
    int spid = 51;
    bool cifrada = false;                       // the whole session travels encrypted
    std::map<std::string, ValorSql> variables;  // upper-case name with '@' -> value
    // Session options (SET), as @@LOCK_TIMEOUT, @@TEXTSIZE, @@DATEFIRST and @@OPTIONS show them.
    int64_t lockTimeout = -1;  // ms; -1 waits for ever
    int64_t textSize = 4096;
    int64_t dateFirst = 7;
    int64_t filasMaximas = 0;  // SET ROWCOUNT; 0: no limit
    int32_t opciones = 0;      // @@OPTIONS bits (ANSI_WARNINGS 8, ..., NOCOUNT 512, ...)
    int32_t anidamiento = 0;   // @@NESTLEVEL: 1 inside sp_executesql, sp_execute, sp_prepexec
    // What the previous statement left: @@ROWCOUNT and @@ERROR.
    uint64_t ultimaCuenta = 0;
    int32_t ultimoError = 0;
};

// The @@OPTIONS bit of a SET option that has one (ANSI_NULLS 32, NOCOUNT 512, ...), or 0.
int32_t BitOpcion(const std::string& opcion);
inline constexpr int32_t kNoCount = 512;

class Consulta {
  public:
    Consulta(const Escenario& escenario, const Estado& estado);

    // Writes the result set of `s` (COLMETADATA and rows) and answers its row count, or the
    // errors SQL Server would give (207, 208, 137, 195, 245 ...) with nothing written.
    std::optional<uint64_t> Ejecuta(const Seleccion& s, const ContextoSesion& ctx,
                                    EscritorTds& salida, std::vector<MensajeSql>& errores) const;

  private:
    const Escenario& esc_;
    const Estado& estado_;
};

}  // namespace velqor::sqlsim
