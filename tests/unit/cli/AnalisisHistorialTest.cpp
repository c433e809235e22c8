#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/AnalisisHistorial.h"

namespace velqor::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

Medicion M(double antes, Momento inicio, int segundos, double despues, bool bloquear) {
    return {antes, inicio, inicio + std::chrono::seconds(segundos), despues, bloquear};
}

Momento Noche(unsigned dia, int hora = 22, int minuto = 0) {
    return HacerMomento(2024, 3, dia, hora, minuto);
}

// Four nights, 4 to 7 March 2024, one pass each at 22:00 (the last index of the last night done
// at 01:30 the next morning):
//   Pedidos.PK_Pedidos  every night, rebuilt 60 -> 99 in 30 s: back at 60 each next night
//   Lotes.IX_Fecha      every night, rebuilt 85 -> 100 in 5 s: back at 85 each next night
//   Stock.IX_Poco       nights 1-3, defragmented 96 -> 97 in 10 s: it gains 1 point
//   Tipos.PK_Tipos      every night, rebuilt 50 -> 70 within its starting second
//   Clientes.IX_Nombre  nights 1 and 3, defragmented 80 -> 99 in 20 s
//   Notas.IX_X          night 2, its density before unread (0), 90 after
HistorialDensidad Ejemplo() {
    std::vector<FilaHistorial> filas;
    const auto fila = [&](const std::string& t, const std::string& i, std::vector<Medicion> m) {
        filas.push_back({t, i, HistorialDensidad::Clave(t, i), std::move(m)});
    };
    fila("Clientes", "IX_Nombre", {M(80, Noche(4), 20, 99, false), M(80, Noche(6), 20, 99, false)});
    fila("Lotes", "IX_Fecha",
         {M(85, Noche(4), 5, 100, true), M(85, Noche(5), 5, 100, true),
          M(85, Noche(6), 5, 100, true), M(85, Noche(7), 5, 100, true)});
    fila("Notas", "IX_X", {M(0, Noche(5), 2, 90, true)});
    // Out of order on purpose: the analysis orders a row's treatments itself.
    fila("Pedidos", "PK_Pedidos",
         {M(60, Noche(5), 30, 99, true), M(60, Noche(4), 30, 99, true),
          M(60, Noche(6), 30, 99, true), M(60, Noche(8, 1, 30), 30, 99, true)});
    fila("Stock", "IX_Poco",
         {M(96, Noche(4), 10, 97, false), M(96, Noche(5), 10, 97, false),
          M(96, Noche(6), 10, 97, false)});
    fila("Tipos", "PK_Tipos",
         {M(50, Noche(4), 0, 70, true), M(50, Noche(5), 0, 70, true), M(50, Noche(6), 0, 70, true),
          M(50, Noche(7), 0, 70, true)});
    return HistorialDensidad(std::move(filas));
}

TEST(AnalisisHistorial, ANightRunsFromNoonToNoon) {
    const struct {
        Momento inicio, dia;
    } casos[] = {
        {HacerMomento(2024, 3, 4, 12), HacerMomento(2024, 3, 4)},
        {HacerMomento(2024, 3, 4, 11, 59, 59), HacerMomento(2024, 3, 3)},
        {HacerMomento(2024, 3, 5, 0, 30), HacerMomento(2024, 3, 4)},
        {HacerMomento(2024, 3, 4, 23, 59, 59), HacerMomento(2024, 3, 4)},
        {HacerMomento(2024, 4, 1, 3), HacerMomento(2024, 3, 31)},
        {HacerMomento(2025, 1, 1, 2), HacerMomento(2024, 12, 31)},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(AnalisisHistorial::DiaDeNoche(c.inicio), c.dia)
            << Formatea(c.inicio, "yyyy-mm-dd hh:nn:ss");
    }
}

TEST(AnalisisHistorial, TheOverviewCountsEachNight) {
    const AnalisisHistorial analisis(Ejemplo(), 100);
    const auto& noches = analisis.Noches();
    ASSERT_EQ(noches.size(), 4u);
    // Night 1: five indexes; Pedidos, Lotes and Tipos rebuilt, Clientes and Stock defragmented.
    EXPECT_EQ(noches[0].dia, HacerMomento(2024, 3, 4));
    EXPECT_EQ(noches[0].indices, 5);
    EXPECT_EQ(noches[0].reconstrucciones, 3);
    EXPECT_EQ(noches[0].desfragmentaciones, 2);
    EXPECT_EQ(noches[0].tiempo, std::chrono::seconds(20 + 5 + 30 + 10 + 0));
    EXPECT_EQ(noches[0].desde, Noche(4));
    EXPECT_EQ(noches[0].hasta, Noche(4) + std::chrono::seconds(30));
    EXPECT_DOUBLE_EQ(*noches[0].antes, (80 + 85 + 60 + 96 + 50) / 5.0);
    EXPECT_DOUBLE_EQ(*noches[0].despues, (99 + 100 + 99 + 97 + 70) / 5.0);
    // Night 2: an unread density before is left out of the mean, not counted as 0.
    EXPECT_EQ(noches[1].indices, 5);
    EXPECT_DOUBLE_EQ(*noches[1].antes, (85 + 60 + 96 + 50) / 4.0);
    EXPECT_DOUBLE_EQ(*noches[1].despues, (100 + 90 + 99 + 97 + 70) / 5.0);
    // Night 4: Pedidos, done at 01:30 the next morning, still belongs to the night of the 7th.
    EXPECT_EQ(noches[3].dia, HacerMomento(2024, 3, 7));
    EXPECT_EQ(noches[3].indices, 3);
    EXPECT_EQ(noches[3].reconstrucciones, 3);
    EXPECT_EQ(noches[3].desfragmentaciones, 0);
    EXPECT_EQ(noches[3].desde, Noche(7));
    EXPECT_EQ(noches[3].hasta, Noche(8, 1, 30) + std::chrono::seconds(30));
}

TEST(AnalisisHistorial, AdviceNamesEachIndexOnceWithItsEvidence) {
    const AnalisisHistorial analisis(Ejemplo(), 100);
    std::vector<std::string> nombres;
    std::vector<TipoConsejo> tipos;
    for (const Consejo& c : analisis.Consejos()) {
        nombres.push_back(c.tabla + "." + c.indice);
        tipos.push_back(c.tipo);
    }
    EXPECT_THAT(nombres, ElementsAre("Pedidos.PK_Pedidos", "Lotes.IX_Fecha", "Stock.IX_Poco",
                                     "Tipos.PK_Tipos"));
    EXPECT_THAT(tipos, ElementsAre(TipoConsejo::FactorRelleno, TipoConsejo::FactorRelleno,
                                   TipoConsejo::Politica, TipoConsejo::MinPaginas));

    const Consejo& pedidos = analisis.Consejos()[0];
    EXPECT_EQ(pedidos.nochesTratado, 4);
    EXPECT_EQ(pedidos.seguidas, 3);
    EXPECT_EQ(pedidos.recaidas, 3);
    EXPECT_DOUBLE_EQ(*pedidos.antesSiguiente, 60);
    // It loses 40 points within a day: the larger step.
    EXPECT_EQ(pedidos.factorRelleno, 80);
    EXPECT_EQ(pedidos.evidencia,
              "treated on 4 of 4 nights; density 60% before and 99% after on average; back under "
              "100% by the next night 3 times out of 3, at 60% on average.");
    EXPECT_THAT(pedidos.sugerencia, HasSubstr("FILLFACTOR = 80"));
    EXPECT_EQ(analisis.Consejos()[1].factorRelleno, 90);

    EXPECT_EQ(analisis.Consejos()[2].evidencia,
              "treated 3 times on 3 of 4 nights; density 96% before and 97% after on average: 1 "
              "points gained.");
    EXPECT_THAT(analisis.Consejos()[2].sugerencia, HasSubstr("ReorganizeAbove"));
    EXPECT_THAT(analisis.Consejos()[3].sugerencia, HasSubstr("MinPages"));
    EXPECT_THAT(analisis.Consejos()[3].evidencia,
                HasSubstr("each of its 4 treatments ended within the second it started"));
}

TEST(AnalisisHistorial, IndexesComeMostInNeedFirst) {
    const HistorialDensidad historial = Ejemplo();
    const AnalisisHistorial analisis(historial, 100);
    std::vector<std::string> orden;
    for (std::size_t f : analisis.OrdenPorNecesidad()) orden.push_back(historial.Filas()[f].indice);
    // Advised first (most nights, then lowest density), then the rest the same way.
    EXPECT_THAT(orden,
                ElementsAre("PK_Tipos", "PK_Pedidos", "IX_Fecha", "IX_Poco", "IX_Nombre", "IX_X"));
    EXPECT_TRUE(analisis.Aconsejado(3));   // Pedidos
    EXPECT_FALSE(analisis.Aconsejado(0));  // Clientes
}

TEST(AnalisisHistorial, FewNightsOrAnIndexThatStaysDenseGiveNoAdvice) {
    // Two nights only: the same index refragmenting is no pattern yet.
    std::vector<FilaHistorial> dos{{"T",
                                    "I",
                                    HistorialDensidad::Clave("T", "I"),
                                    {M(40, Noche(4), 9, 99, true), M(40, Noche(5), 9, 99, true)}}};
    EXPECT_TRUE(AnalisisHistorial(HistorialDensidad(dos), 100).Consejos().empty());
    // Four nights, the index treated on the first and the last only: it stayed dense between.
    std::vector<FilaHistorial> cuatro{
        {"T",
         "I",
         HistorialDensidad::Clave("T", "I"),
         {M(40, Noche(4), 9, 99, true), M(40, Noche(7), 9, 99, true)}},
        {"U",
         "J",
         HistorialDensidad::Clave("U", "J"),
         {M(70, Noche(5), 9, 99, true), M(70, Noche(6), 9, 99, true)}}};
    const AnalisisHistorial analisis{HistorialDensidad(cuatro), 100};
    EXPECT_EQ(analisis.Noches().size(), 4u);
    EXPECT_TRUE(analisis.Consejos().empty());
    // An empty history has no nights.
    EXPECT_TRUE(AnalisisHistorial(HistorialDensidad(), 100).Noches().empty());
}

}  // namespace
}  // namespace velqor::cli
