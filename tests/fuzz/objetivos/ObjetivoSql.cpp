#include <string_view>

#include "AnalizadorSql.h"
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
    return 0;
}

}  // namespace velqor::fuzz
