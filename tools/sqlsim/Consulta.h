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
    int64_t lockTimeout = -1;                   // SET LOCK_TIMEOUT: ms, -1 waits for ever
};

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
