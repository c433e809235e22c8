#include <string_view>

#include "AnalizadorSql.h"
#include "NombreObjeto.h"
#include "Objetivos.h"

namespace velqor::fuzz {

int FuzzAnalizaLote(const uint8_t* datos, size_t largo) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), largo);
    const sqlsim::Lote lote = sqlsim::AnalizaLote(texto);
    Exige(lote.comandos.empty() || lote.errores.empty(),
          "a batch came back with statements to run and compile errors");
    for (const sqlsim::MensajeSql& m : lote.errores) {
        Exige(m.numero > 0 && m.clase > 10 && !m.texto.empty(),
              "a compile error without a number, an error class or a text");
    }
    // The same text as a DBCC table argument: parts that resolve name an object.
    if (const auto partes = sqlsim::PartesNombre(texto)) {
        Exige(!partes->empty(), "a name that parses into no part");
        if (const auto nombre = sqlsim::ResuelveNombre(*partes)) {
            Exige(!nombre->objeto.empty() && !nombre->esquema.empty(),
                  "a resolved name without an object or a schema");
        }
    }
    return 0;
}

}  // namespace velqor::fuzz
