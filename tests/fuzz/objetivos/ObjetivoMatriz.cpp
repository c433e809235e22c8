#include <string>
#include <string_view>

#include "MismoValor.h"
#include "Objetivos.h"
#include "common/ZEVmat3.h"

namespace velqor::fuzz {

int FuzzTextoAMatriz(const uint8_t* datos, size_t largo) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), largo);
    Valor leido;
    if (!TextoAMatriz(texto, leido)) return 0;
    Exige(leido.EsMatriz(), "TextoAMatriz answered true without an array");

    std::string escrito;
    Exige(MatrizATexto(leido, escrito), "what TextoAMatriz read cannot be written back");
    Valor releido;
    Exige(TextoAMatriz(escrito, releido), "the text MatrizATexto wrote cannot be read back");
    Exige(MismoValor(leido, releido), "the text written back reads back different values");
    // Once written, the text is in its own form: writing it again gives it unchanged.
    std::string reescrito;
    Exige(MatrizATexto(releido, reescrito) && reescrito == escrito,
          "writing what was read back does not give the same text");
    return 0;
}

}  // namespace velqor::fuzz
