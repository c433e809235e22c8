#include "common/ZEVmat3.h"

#include "common/EscritorMatriz.h"
#include "common/LectorMatriz.h"

namespace velqor {

bool MatrizATexto(const Valor& matriz, std::string& texto) {
    texto.clear();
    if (!matriz.EsMatriz()) {
        return false;
    }
    try {
        zev::EscritorMatriz escritor;
        return escritor.Escribe(matriz.ComoLista(), texto);
    } catch (...) {
        return false;
    }
}

bool TextoAMatriz(std::string_view texto, Valor& matriz) {
    try {
        zev::LectorMatriz lector(texto);
        Valor resultado;
        const bool correcto = lector.Lee(resultado);
        matriz = std::move(resultado);
        return correcto;
    } catch (...) {
        return false;
    }
}

}  // namespace velqor
