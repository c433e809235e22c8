#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "CarpetaTemporal.h"
#include "common/ErrorEjecucion.h"
#include "common/Momento.h"
#include "components/Matrices.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;

// A survey-like row: table, index, key, plus a tag that tells equal keys apart.
Valor Fila(Valor clave, int etiqueta = 0) {
    return Valor::Matriz(
        {Valor::Texto("T"), Valor::Texto("I"), std::move(clave), Valor::Largo(etiqueta)});
}

// The keys, then the tags, of the rows in their current order, as one text.
std::string Orden(const Valor& lista) {
    std::string texto;
    for (const Valor& fila : lista.ComoLista()) {
        texto += fila.ComoLista()[2].ATexto() + "/" + fila.ComoLista()[3].ATexto() + " ";
    }
    return texto;
}

int32_t NumeroDeError(const std::function<void()>& llamada) {
    try {
        llamada();
    } catch (const ErrorEjecucion& e) {
        return e.Numero();
    }
    return 0;
}

TEST(MatricesAgrega, AppendsToEmptyAndToLists) {
    Valor lista;
    Matrices::Agrega(lista, Fila(Valor::Texto("a")));
    ASSERT_TRUE(lista.EsMatriz());
    Matrices::Agrega(lista, Fila(Valor::Texto("b")));
    EXPECT_EQ(Orden(lista), "a/0 b/0 ");
    // The list held in an element of a row, as the history does with its measurements.
    Valor& medidas = lista.ComoLista()[0].ComoLista()[3];
    medidas = Valor::Matriz({});
    Matrices::Agrega(medidas, Valor::Doble(62.5));
    EXPECT_EQ(lista.ComoLista()[0].ComoLista()[3].ComoLista().size(), 1U);
}

TEST(MatricesAgrega, RefusesAValueThatIsNoList) {
    Valor texto = Valor::Texto("x");
    EXPECT_EQ(NumeroDeError([&] { Matrices::Agrega(texto, Valor::Largo(1)); }), 13);
    EXPECT_EQ(texto, Valor::Texto("x"));
}

TEST(MatricesOrdena, OrdersOnTheColumnAscendingAndStable) {
    const struct {
        std::vector<Valor> claves;
        std::string orden;
    } casos[] = {
        {{Valor::Largo(10), Valor::Doble(2), Valor::Entero(-1)}, "-1/2 2/1 10/0 "},
        {{Valor::Texto("b"), Valor::Texto("B"), Valor::Texto("a"), Valor::Texto("ab")},
         "B/1 a/2 ab/3 b/0 "},
        {{Valor::Texto("x"), Valor::Largo(1), Valor::Texto("x"), Valor::Largo(1)},
         "1/1 1/3 x/0 x/2 "},
        {{Valor::Texto("10"), Valor::Texto("9")}, "10/0 9/1 "},
        {{Valor::Fecha(HacerMomento(2024, 3, 5)), Valor::Fecha(HacerMomento(2023, 12, 31)),
          Valor::Texto("z"), Valor::Largo(5)},
         "5/3 2023-12-31 00:00:00/1 2024-03-05 00:00:00/0 z/2 "},
        {{Valor::Texto("only")}, "only/0 "},
    };
    for (const auto& c : casos) {
        Valor lista = Valor::Matriz({});
        for (std::size_t i = 0; i < c.claves.size(); ++i) {
            lista.ComoLista().push_back(Fila(c.claves[i], static_cast<int>(i)));
        }
        Matrices::Ordena(lista, -1, 2, -1);
        EXPECT_EQ(Orden(lista), c.orden);
    }
}

TEST(MatricesOrdena, EmptyValuesAndEmptyListsAreFine) {
    Valor vacio;
    Matrices::Ordena(vacio, -1, 2, -1);
    EXPECT_TRUE(vacio.EsVacio());
    Valor lista = Valor::Matriz({});
    Matrices::Ordena(lista, -1, 2, -1);
    EXPECT_TRUE(lista.ComoLista().empty());
}

TEST(MatricesOrdena, RowsWithoutTheColumnAreATypeMismatchAndChangeNothing) {
    const Valor buenas[] = {Fila(Valor::Texto("b")), Fila(Valor::Texto("a"))};
    const Valor malas[] = {Valor::Texto("not a row"),
                           Valor::Matriz({Valor::Texto("T"), Valor::Texto("I")}),
                           Fila(Valor::Matriz({}))};
    for (const Valor& mala : malas) {
        Valor lista = Valor::Matriz({buenas[0], buenas[1], mala});
        const Valor antes = lista;
        EXPECT_EQ(NumeroDeError([&] { Matrices::Ordena(lista, -1, 2, -1); }), 13);
        EXPECT_EQ(lista, antes);
    }
    Valor numero = Valor::Largo(3);
    EXPECT_EQ(NumeroDeError([&] { Matrices::Ordena(numero, -1, 2, -1); }), 13);
}

TEST(MatricesOrdena, KeepsAllRowsOfALargeList) {
    Valor lista = Valor::Matriz({});
    for (int i = 0; i < 5000; ++i) {
        lista.ComoLista().push_back(Fila(Valor::Texto("k" + std::to_string((i * 7919) % 5000)), i));
    }
    Matrices::Ordena(lista, -1, 2, -1);
    const Lista& filas = lista.ComoLista();
    ASSERT_EQ(filas.size(), 5000U);
    for (std::size_t i = 1; i < filas.size(); ++i) {
        ASSERT_LE(filas[i - 1].ComoLista()[2].ComoTexto(), filas[i].ComoLista()[2].ComoTexto());
    }
}

TEST(MatricesOrdena, ALargeListOfRepeatedKeysKeepsEqualKeysInTheirOrder) {
    // Nulls, Booleans and a few repeated numbers, scattered: every row moves, in long cycles.
    const auto clave = [](int i) {
        if (i % 11 == 0) return Valor::Nulo();
        if (i % 13 == 0) return Valor::Logico(i % 2 == 0);
        return Valor::Doble((i * 7919) % 17 - 8);
    };
    Valor lista = Valor::Matriz({});
    std::vector<std::pair<double, int>> esperado;  // (rank then number, tag), ordered by hand
    for (int i = 0; i < 5000; ++i) {
        lista.ComoLista().push_back(Fila(clave(i), i));
        esperado.push_back({clave(i).EsNulo() ? -1e9 : clave(i).ComoDoble(), i});
    }
    std::stable_sort(esperado.begin(), esperado.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Matrices::Ordena(lista, -1, 2, -1);
    const Lista& filas = lista.ComoLista();
    ASSERT_EQ(filas.size(), esperado.size());
    for (std::size_t n = 0; n < filas.size(); ++n) {
        ASSERT_EQ(filas[n].ComoLista()[3], Valor::Largo(esperado[n].second)) << "place " << n;
        ASSERT_EQ(filas[n].ComoLista()[2], clave(esperado[n].second)) << "place " << n;
    }
}

TEST(MatricesOrdena, NotANumberGoesAfterTheNumbers) {
    const double nan = std::nan("");
    Valor lista = Valor::Matriz({Fila(Valor::Doble(nan), 0), Fila(Valor::Doble(1), 1),
                                 Fila(Valor::Doble(nan), 2), Fila(Valor::Doble(0), 3),
                                 Fila(Valor::Texto("a"), 4)});
    Matrices::Ordena(lista, -1, 2, -1);
    std::string etiquetas;
    for (const Valor& fila : lista.ComoLista()) etiquetas += fila.ComoLista()[3].ATexto();
    EXPECT_EQ(etiquetas, "31024");
}

TEST(MatricesOrdena, OnlyTheRowsOfTheRangeMove) {
    Valor lista = Valor::Matriz({});
    for (int i = 0; i < 6; ++i) lista.ComoLista().push_back(Fila(Valor::Largo(10 - i), i));
    Matrices::Ordena(lista, 1, 2, 3);
    EXPECT_EQ(Orden(lista), "10/0 7/3 8/2 9/1 6/4 5/5 ");
}

TEST(MatricesBusca, FindsTheFirstRowWithTheKey) {
    const Valor lista =
        Valor::Matriz({Valor::Texto("not a row"), Fila(Valor::Largo(5)), Fila(Valor::Texto("b")),
                       Valor::Matriz({Valor::Texto("short")}), Fila(Valor::Texto("a"), 1),
                       Fila(Valor::Texto("a"), 2)});
    EXPECT_EQ(Matrices::Busca(lista, "a", 2), 4);
    EXPECT_EQ(Matrices::Busca(lista, "b", 2), 2);
    EXPECT_EQ(Matrices::Busca(lista, "A", 2), -1);
    EXPECT_EQ(Matrices::Busca(lista, "5", 2), -1);  // only texts match
    EXPECT_EQ(Matrices::Busca(lista, "T", 0), 1);
    EXPECT_EQ(Matrices::Busca(Valor(), "a", 2), -1);
    EXPECT_EQ(Matrices::Busca(Valor::Matriz({}), "a", 2), -1);
    EXPECT_EQ(Matrices::Busca(Valor::Texto("a"), "a", 2), -1);
}

TEST(MatricesListaArchivos, ListsMatchingRegularFilesSorted) {
    CarpetaTemporal carpeta;
    for (const char* nombre :
         {"b.cfp", "A.CFP", ".cfp", "c.Cfp", "c.cfp.bak", "ccfp", "notes.txt", "d.cf"}) {
        EscribeBytes(carpeta.En(nombre), "x");
    }
    std::filesystem::create_directory(carpeta.En("dir.cfp"));
    std::filesystem::create_symlink(carpeta.En("b.cfp"), carpeta.En("link.cfp"));
    std::filesystem::create_symlink(carpeta.En("missing"), carpeta.En("dangling.cfp"));
    std::vector<std::string> nombres = {"stale"};
    ASSERT_TRUE(Matrices::ListaArchivos(nombres, carpeta.Texto(), "*.cfp"));
    EXPECT_EQ(nombres, (std::vector<std::string>{".cfp", "A.CFP", "b.cfp", "c.Cfp", "link.cfp"}));
}

TEST(MatricesListaArchivos, EmptyFolderGivesAnEmptyListAndMissingFolderFails) {
    CarpetaTemporal carpeta;
    std::vector<std::string> nombres = {"stale"};
    ASSERT_TRUE(Matrices::ListaArchivos(nombres, carpeta.Texto(), "*.cfp"));
    EXPECT_TRUE(nombres.empty());
    nombres = {"kept"};
    EXPECT_FALSE(Matrices::ListaArchivos(nombres, carpeta.En("missing"), "*.cfp"));
    EscribeBytes(carpeta.En("file"), "x");
    EXPECT_FALSE(Matrices::ListaArchivos(nombres, carpeta.En("file"), "*.cfp"));
    EXPECT_EQ(nombres, std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace velqor
