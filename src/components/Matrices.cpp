#include "components/Matrices.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "common/ErrorEjecucion.h"
#include "common/Permutacion.h"

namespace velqor::Matrices {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void TipoIncompatible() {
    throw ErrorEjecucion(errores::kTipoIncompatible, "Type mismatch");
}

// The order of kinds among sort keys: Empty, Null, numbers (Boolean as its number), dates, texts.
int Rango(const Valor& v) {
    switch (v.tipo()) {
        case Valor::Tipo::Empty:
            return 0;
        case Valor::Tipo::Null:
            return 1;
        case Valor::Tipo::Date:
            return 3;
        case Valor::Tipo::String:
            return 4;
        case Valor::Tipo::Array:
            TipoIncompatible();
        default:
            return 2;  // numbers and Boolean
    }
}

bool Menor(const Valor& a, const Valor& b) {
    const int ra = Rango(a), rb = Rango(b);
    if (ra != rb) return ra < rb;
    switch (ra) {
        case 2:
            return a.ComoDoble() < b.ComoDoble();
        case 3:
            return a.ComoFecha() < b.ComoFecha();
        case 4:
            return a.ComoTexto() < b.ComoTexto();
        default:
            return false;
    }
}

char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A wildcard match ("*" any run, "?" one character), ASCII letters compared without case.
bool Coincide(std::string_view nombre, std::string_view patron) {
    std::size_t n = 0, p = 0, estrella = std::string_view::npos, marca = 0;
    while (n < nombre.size()) {
        if (p < patron.size() &&
            (patron[p] == '?' || Minuscula(patron[p]) == Minuscula(nombre[n]))) {
            ++n;
            ++p;
        } else if (p < patron.size() && patron[p] == '*') {
            estrella = p++;
            marca = n;
        } else if (estrella != std::string_view::npos) {
            p = estrella + 1;
            n = ++marca;
        } else {
            return false;
        }
    }
    while (p < patron.size() && patron[p] == '*') ++p;
    return p == patron.size();
}

}  // namespace

void Agrega(Valor& lista, Valor elemento) {
    if (lista.EsVacio()) {
        lista = Valor::Matriz(Lista{std::move(elemento)});
    } else if (lista.EsMatriz()) {
        lista.ComoLista().push_back(std::move(elemento));
    } else {
        TipoIncompatible();
    }
}

void Ordena(Valor& lista, int32_t desde, int32_t columna, int32_t hasta) {
    if (lista.EsVacio()) return;
    if (!lista.EsMatriz() || columna < 0) TipoIncompatible();
    Lista& filas = lista.ComoLista();
    const auto total = static_cast<int64_t>(filas.size());
    const int64_t primero = desde < 0 ? 0 : desde;
    const int64_t ultimo = hasta < 0 ? total - 1 : std::min<int64_t>(hasta, total - 1);
    if (primero > ultimo) return;
    const auto col = static_cast<std::size_t>(columna);
    // Each row's key is looked at once: its kind's rank, and the number itself for numbers. The
    // keys are sorted, equal keys kept in their order by their row, and the rows then moved to
    // their places: no second list of rows, nor a buffer of them, even for a million.
    struct Clave {
        double numero;
        uint32_t fila;  // from primero
        int32_t rango;
    };
    std::vector<Clave> claves;
    claves.reserve(static_cast<std::size_t>(ultimo - primero + 1));
    for (int64_t i = primero; i <= ultimo; ++i) {
        const Valor& fila = filas[static_cast<std::size_t>(i)];
        if (!fila.EsMatriz() || fila.ComoLista().size() <= col) TipoIncompatible();
        const Valor& clave = fila.ComoLista()[col];
        const int rango = Rango(clave);  // an array as key cannot be ordered
        claves.push_back(
            {rango == 2 ? clave.ComoDoble() : 0.0, static_cast<uint32_t>(i - primero), rango});
    }
    Valor* const base = filas.data() + primero;
    std::sort(claves.begin(), claves.end(), [&](const Clave& a, const Clave& b) {
        if (a.rango != b.rango) return a.rango < b.rango;
        if (a.rango == 2) {
            const bool nanA = std::isnan(a.numero), nanB = std::isnan(b.numero);
            if (nanA != nanB) return nanB;  // a number that is not one goes after the others
            if (!nanA && a.numero != b.numero) return a.numero < b.numero;
        } else if (a.rango > 2) {
            const Valor& x = base[a.fila].ComoLista()[col];
            const Valor& y = base[b.fila].ComoLista()[col];
            if (Menor(x, y)) return true;
            if (Menor(y, x)) return false;
        }
        return a.fila < b.fila;
    });
    // Place d takes the row that was at claves[d].fila.
    std::vector<uint32_t> origen;
    origen.reserve(claves.size());
    for (const Clave& c : claves) origen.push_back(c.fila);
    claves = {};
    ColocaSegun(base, origen);
}

bool Antes(const Valor& a, const Valor& b) { return Menor(a, b); }

int32_t Busca(const Valor& lista, const std::string& valor, int32_t columna) {
    if (!lista.EsMatriz() || columna < 0) return -1;
    const auto col = static_cast<std::size_t>(columna);
    const Lista& filas = lista.ComoLista();
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const Valor& fila = filas[i];
        if (!fila.EsMatriz() || fila.ComoLista().size() <= col) continue;
        const Valor& clave = fila.ComoLista()[col];
        if (clave.tipo() == Valor::Tipo::String && clave.ComoTexto() == valor) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

bool ListaArchivos(std::vector<std::string>& nombres, const std::string& carpeta,
                   const std::string& patron) {
    std::error_code ec;
    fs::directory_iterator it(carpeta.empty() ? fs::path(".") : fs::path(carpeta), ec);
    if (ec) return false;
    std::vector<std::string> encontrados;
    for (const fs::directory_iterator fin; it != fin; it.increment(ec)) {
        if (ec) return false;
        std::error_code ecTipo;
        if (!it->is_regular_file(ecTipo)) continue;
        std::string nombre = it->path().filename().string();
        if (Coincide(nombre, patron)) encontrados.push_back(std::move(nombre));
    }
    if (ec) return false;
    std::sort(encontrados.begin(), encontrados.end());
    nombres = std::move(encontrados);
    return true;
}

}  // namespace velqor::Matrices
