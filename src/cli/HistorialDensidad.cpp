#include "cli/HistorialDensidad.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/General.h"
#include "common/Valor.h"
#include "common/ZEVmat3.h"

namespace velqor::cli {

namespace {

// The elements of a history row and of a measurement.
constexpr size_t kElementosFila = 4;
constexpr size_t kElementosMedicion = 5;

bool LeeMedicion(const Valor& valor, Medicion& medicion, std::string& error) {
    if (!valor.EsMatriz() || valor.ComoLista().size() != kElementosMedicion) {
        error = "is not a list of five values";
        return false;
    }
    const Lista& e = valor.ComoLista();
    if (!e[0].EsNumero() || !e[3].EsNumero()) {
        error = "has a density that is not a number";
        return false;
    }
    if (e[1].tipo() != Valor::Tipo::Date || e[2].tipo() != Valor::Tipo::Date) {
        error = "has a start or end that is not a date";
        return false;
    }
    if (e[4].tipo() != Valor::Tipo::Boolean) {
        error = "has a treatment kind that is not a Boolean";
        return false;
    }
    medicion = {e[0].ComoDoble(), e[1].ComoFecha(), e[2].ComoFecha(), e[3].ComoDoble(),
                e[4].ComoLogico()};
    return true;
}

bool LeeFila(const Valor& valor, FilaHistorial& fila, std::string& error) {
    if (!valor.EsMatriz() || valor.ComoLista().size() != kElementosFila) {
        error = "is not a list of four values";
        return false;
    }
    const Lista& e = valor.ComoLista();
    for (size_t i = 0; i < 3; ++i) {
        if (e[i].tipo() != Valor::Tipo::String) {
            error = "has a table, index or key that is not a text";
            return false;
        }
    }
    fila.tabla = e[0].ComoTexto();
    fila.indice = e[1].ComoTexto();
    fila.mediciones.clear();
    if (e[3].EsVacio()) return true;
    if (!e[3].EsMatriz()) {
        error = "has measurements that are not a list";
        return false;
    }
    const Lista& mediciones = e[3].ComoLista();
    for (size_t m = 0; m < mediciones.size(); ++m) {
        Medicion medicion;
        if (!LeeMedicion(mediciones[m], medicion, error)) {
            error = "measurement " + std::to_string(m) + " " + error;
            return false;
        }
        fila.mediciones.push_back(medicion);
    }
    return true;
}

}  // namespace

bool HistorialDensidad::DeTexto(std::string_view texto, std::vector<FilaHistorial>& filas,
                                std::string& error) {
    filas.clear();
    if (texto.empty()) return true;
    Valor matriz;
    if (!TextoAMatriz(texto, matriz)) {
        error = "its text is damaged (cut short, altered, or a checksum does not agree)";
        return false;
    }
    const Lista& superior = matriz.ComoLista();
    if (superior.size() != 1) {
        error = "it is not a density history (the top level holds " +
                std::to_string(superior.size()) + " entries instead of 1)";
        return false;
    }
    const Valor& historia = superior[0];
    if (historia.EsVacio()) return true;
    if (!historia.EsMatriz()) {
        error = "it is not a density history (its entry is neither empty nor a list of rows)";
        return false;
    }
    const Lista& lista = historia.ComoLista();
    std::vector<FilaHistorial> leidas;
    for (size_t i = 0; i < lista.size(); ++i) {
        FilaHistorial fila;
        std::string detalle;
        if (!LeeFila(lista[i], fila, detalle)) {
            error = "it is not a density history (row " + std::to_string(i) + " " + detalle + ")";
            return false;
        }
        leidas.push_back(std::move(fila));
    }
    filas = std::move(leidas);
    return true;
}

bool HistorialDensidad::Lee(const std::string& ruta, std::vector<FilaHistorial>& filas,
                            std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ruta, ec)) {
        error = "cannot read " + ruta + ": no such file";
        return false;
    }
    if (!std::ifstream(ruta, std::ios::binary)) {
        error = "cannot read " + ruta + ": permission denied";
        return false;
    }
    std::string detalle;
    if (!DeTexto(LeeTexto(ruta), filas, detalle)) {
        error = ruta + " cannot be used: " + detalle;
        return false;
    }
    return true;
}

std::string TextoDensidad(double densidad) {
    std::string texto = NumeroATexto(std::round(densidad * 100) / 100);
    if (texto.rfind(".", 0) == 0) texto.insert(0, "0");
    if (texto.rfind("-.", 0) == 0) texto.insert(1, "0");
    return texto;
}

}  // namespace velqor::cli
