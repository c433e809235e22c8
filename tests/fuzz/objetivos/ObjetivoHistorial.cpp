#include <string>
#include <string_view>

#include "Objetivos.h"
#include "common/ZEVmat3.h"
#include "engine/TextoHistorial.h"

namespace velqor::fuzz {

int FuzzTextoHistorial(const uint8_t* datos, size_t largo) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), largo);
    Valor general;
    const bool leeGeneral = TextoAMatriz(texto, general);
    HistorialDensidad historial;
    std::string error;
    if (!TextoHistorial::Lee(texto, historial, error)) {
        const bool otraForma = error.rfind("it is not a density history (", 0) == 0;
        Exige(otraForma || error.rfind("its text is damaged", 0) == 0,
              "a refused history says neither that it is damaged nor that it is something else");
        Exige(leeGeneral == otraForma,
              "the history reader and the array text reader disagree on a damaged text");
        return 0;
    }
    Exige(texto.empty() || leeGeneral,
          "the history reader accepted a text the array text reader refuses");
    std::string escrito;
    Exige(TextoHistorial::Escribe(historial, escrito), "a history read cannot be written back");
    if (!texto.empty()) {
        std::string generalEscrito;
        Exige(MatrizATexto(general, generalEscrito) && generalEscrito == escrito,
              "the history writer and the array text writer write what they read differently");
    }
    HistorialDensidad releido;
    Exige(TextoHistorial::Lee(escrito, releido, error), "the history written cannot be read back");
    std::string reescrito;
    Exige(TextoHistorial::Escribe(releido, reescrito) && reescrito == escrito,
          "writing what was read back does not give the same text");
    return 0;
}

}  // namespace velqor::fuzz
