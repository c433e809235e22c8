// The density history's own conversion to and from the array text, checked against the general
// array text reader and writer: the same history gives the same bytes, every text either reads
// into the same rows or is refused as the general reader refuses it.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/Valor.h"
#include "common/ZEVmat3.h"
#include "engine/TextoHistorial.h"

namespace velqor::prueba {
namespace {

const std::string kEjemplo =
    "N1/0A197/N1/0A173/N1/3T8/ClientesT11/PK_ClientesT19/ClientesPK_ClientesA101/N1/0A80/N1/4N4/"
    "62.5F19/2024-03-05 10:00:00F19/2024-03-05 10:00:02N3/100L1/1N3/242N4/2253N3/719N4/4159N4/"
    "1474N4/9114N4/2046N5/11019N4/2291N5/12319";

// The history as a tree of values, laid out as the file's entry holds it: the form the general
// writer writes and the general reader reads.
Valor ComoValor(const HistorialDensidad& historial) {
    if (historial.Vacio()) return Valor();
    Lista filas;
    for (const FilaHistorial& f : historial.Filas()) {
        Lista mediciones;
        for (const Medicion& m : f.mediciones) {
            mediciones.push_back(
                Valor::Matriz({Valor::Doble(m.antes), Valor::Fecha(m.inicio), Valor::Fecha(m.fin),
                               Valor::Doble(m.despues), Valor::Logico(m.bloquear)}));
        }
        filas.push_back(
            Valor::Matriz({Valor::Texto(f.tabla), Valor::Texto(f.indice), Valor::Texto(f.clave),
                           mediciones.empty() ? Valor() : Valor::Matriz(std::move(mediciones))}));
    }
    return Valor::Matriz(std::move(filas));
}

std::string TextoGeneral(const HistorialDensidad& historial) {
    std::string texto;
    EXPECT_TRUE(MatrizATexto(Valor::Matriz({ComoValor(historial)}), texto));
    return texto;
}

// Histories of every shape the file may hold: no rows, rows without measurements, names beyond
// ASCII, keys of any text, numbers of every written form.
HistorialDensidad Aleatorio(std::mt19937& azar) {
    const std::vector<std::string> nombres = {"Clientes", "Sales.Orders", "Canción", "PK_Año",
                                              "",         "a/b N1/0",     "€ 100",   "IX"};
    const std::vector<double> densidades = {0,     62.5,  100,     .5,      1e-5, -3.25,
                                            1e300, 99.99, 33.3333, 1.0 / 3, 1e15, 123456.789};
    const auto uno = [&](const auto& v) { return v[azar() % v.size()]; };
    std::vector<FilaHistorial> filas(azar() % 5);
    for (FilaHistorial& f : filas) {
        f.tabla = uno(nombres);
        f.indice = uno(nombres);
        f.clave = azar() % 4 == 0 ? uno(nombres) : f.tabla + f.indice;
        f.mediciones.resize(azar() % 4);
        for (Medicion& m : f.mediciones) {
            m.inicio = HacerMomento(1990 + static_cast<int>(azar() % 40), 1 + azar() % 12,
                                    1 + azar() % 28, static_cast<int>(azar() % 24),
                                    static_cast<int>(azar() % 60), static_cast<int>(azar() % 60));
            m.fin = m.inicio + std::chrono::seconds(azar() % 100000);
            m.antes = azar() % 3 == 0 ? static_cast<double>(azar() % 100000) / 7 : uno(densidades);
            m.despues = uno(densidades);
            m.bloquear = azar() % 2 == 0;
        }
    }
    return HistorialDensidad(std::move(filas));
}

TEST(TextoHistorial, WritesTheBytesTheGeneralWriterWritesForTheSameHistory) {
    std::mt19937 azar(20261211);
    for (int i = 0; i < 2000; ++i) {
        const HistorialDensidad historial = Aleatorio(azar);
        std::string texto;
        ASSERT_TRUE(TextoHistorial::Escribe(historial, texto));
        ASSERT_EQ(texto, TextoGeneral(historial));
    }
}

TEST(TextoHistorial, ATextTheGeneralWriterWroteReadsIntoItsRowsAndWritesBackByteForByte) {
    std::mt19937 azar(7);
    std::vector<std::string> textos = {kEjemplo, "N1/0E0/N1/0N1/0"};
    for (int i = 0; i < 2000; ++i) textos.push_back(TextoGeneral(Aleatorio(azar)));
    for (const std::string& texto : textos) {
        SCOPED_TRACE(texto);
        for (const std::string& fin : {std::string(), std::string("\r\n")}) {
            HistorialDensidad historial;
            std::string error;
            ASSERT_TRUE(TextoHistorial::Lee(texto + fin, historial, error)) << error;
            Valor general;
            ASSERT_TRUE(TextoAMatriz(texto, general));
            EXPECT_EQ(ComoValor(historial), general.ComoLista().at(0));
            std::string escrito;
            ASSERT_TRUE(TextoHistorial::Escribe(historial, escrito));
            EXPECT_EQ(escrito, texto);
        }
    }
}

TEST(TextoHistorial, TheWorkedExampleReadsAsItsRow) {
    HistorialDensidad historial;
    std::string error;
    ASSERT_TRUE(TextoHistorial::Lee(kEjemplo + "\r\n", historial, error));
    const HistorialDensidad esperado({{"Clientes",
                                       "PK_Clientes",
                                       "ClientesPK_Clientes",
                                       {{62.5, HacerMomento(2024, 3, 5, 10, 0, 0),
                                         HacerMomento(2024, 3, 5, 10, 0, 2), 100, true}}}});
    EXPECT_EQ(historial, esperado);
    ASSERT_TRUE(TextoHistorial::Lee("", historial, error));
    EXPECT_TRUE(historial.Vacio());
}

// Every text one change away from a valid history: cut short, a character replaced, dropped or
// doubled. Each is read by both readers; they must agree.
TEST(TextoHistorial, EveryAlteredTextIsReadOrRefusedAsTheGeneralReaderDoes) {
    std::mt19937 azar(3);
    std::vector<std::string> bases = {kEjemplo};
    while (bases.size() < 4) {
        const HistorialDensidad h = Aleatorio(azar);
        if (h.Filas().size() >= 2) bases.push_back(TextoGeneral(h));
    }
    int refusedDamaged = 0, refusedShape = 0, read = 0;
    for (const std::string& base : bases) {
        std::vector<std::string> alterados;
        for (std::size_t i = 0; i < base.size(); ++i) {
            alterados.push_back(base.substr(0, i));
            alterados.push_back(base.substr(0, i) + base.substr(i + 1));
            alterados.push_back(base.substr(0, i + 1) + base.substr(i));
            for (const char c : {'0', '1', '9', '/', 'N', 'A', 'E', 'T', 'F', 'L', 'Z', '-', '.'}) {
                if (base[i] == c) continue;
                std::string t = base;
                t[i] = c;
                alterados.push_back(t);
            }
        }
        for (const std::string& texto : alterados) {
            HistorialDensidad historial({{"no", "tocado", "notocado", {}}});
            const HistorialDensidad antes = historial;
            std::string error;
            Valor general;
            const bool leeGeneral = TextoAMatriz(texto, general);
            if (TextoHistorial::Lee(texto, historial, error)) {
                ++read;
                ASSERT_TRUE(leeGeneral || texto.empty()) << texto;
                if (!texto.empty()) {
                    EXPECT_EQ(ComoValor(historial), general.ComoLista().at(0)) << texto;
                }
                continue;
            }
            EXPECT_EQ(historial, antes) << texto;
            if (!leeGeneral) {
                ++refusedDamaged;
                EXPECT_EQ(error,
                          "its text is damaged (cut short, altered, or a checksum does not agree)")
                    << texto;
            } else {
                ++refusedShape;
                EXPECT_EQ(error.rfind("it is not a density history (", 0), 0u) << texto << error;
            }
        }
    }
    // The cases reach all three outcomes.
    EXPECT_GT(refusedDamaged, 1000);
    EXPECT_GT(refusedShape, 0);
    EXPECT_GT(read, 0);
}

TEST(TextoHistorial, ATextOfAnotherShapeSaysWhere) {
    const Valor f1 = Valor::Fecha(HacerMomento(2024, 3, 5));
    const auto fila = [](Valor mediciones) {
        return Valor::Matriz(
            {Valor::Texto("T"), Valor::Texto("I"), Valor::Texto("TI"), std::move(mediciones)});
    };
    const auto medicion = [&](Valor a, Valor b, Valor c, Valor d, Valor e) {
        return Valor::Matriz({Valor::Matriz({a, b, c, d, e})});
    };
    const Valor n = Valor::Doble(1), l = Valor::Logico(true);
    const std::pair<Valor, std::string> casos[] = {
        {Valor::Texto("x"), "its entry is neither empty nor a list of rows"},
        {Valor::Matriz({fila(Valor()), Valor::Texto("x")}), "row 1 is not a list of four values"},
        {Valor::Matriz(
             {Valor::Matriz({Valor::Texto("T"), Valor::Doble(1), Valor::Texto("K"), Valor()})}),
         "row 0 has a table, index or key that is not a text"},
        {Valor::Matriz({fila(Valor::Texto("x"))}), "row 0 has measurements that are not a list"},
        {Valor::Matriz({fila(medicion(n, f1, f1, n, l)), fila(medicion(f1, f1, f1, n, l))}),
         "row 1 measurement 0 has a density that is not a number"},
        {Valor::Matriz({fila(medicion(n, n, f1, n, l))}),
         "row 0 measurement 0 has a start or end that is not a date"},
        {Valor::Matriz({fila(medicion(n, f1, f1, n, n))}),
         "row 0 measurement 0 has a treatment kind that is not a Boolean"},
        {Valor::Matriz({fila(Valor::Matriz({Valor::Matriz({n, f1, f1, n})}))}),
         "row 0 measurement 0 is not a list of five values"},
    };
    for (const auto& [historia, mensaje] : casos) {
        std::string texto;
        ASSERT_TRUE(MatrizATexto(Valor::Matriz({historia}), texto));
        HistorialDensidad historial;
        std::string error;
        EXPECT_FALSE(TextoHistorial::Lee(texto, historial, error)) << mensaje;
        EXPECT_EQ(error, "it is not a density history (" + mensaje + ")");
    }
}

}  // namespace
}  // namespace velqor::prueba
