// The density history's rows: adding a measurement and merging two histories.

#include <gtest/gtest.h>

#include "engine/HistorialDensidad.h"

namespace velqor::prueba {
namespace {

Medicion En(int dia, bool bloquear = true) {
    const Momento inicio = HacerMomento(2024, 3, dia, 2);
    return {50, inicio, inicio + std::chrono::seconds(5), 100, bloquear};
}

TEST(HistorialDensidad, AMeasurementGoesToTheRowOfItsIndexOrToANewLastRow) {
    HistorialDensidad h;
    EXPECT_TRUE(h.Vacio());
    h.Agrega("Orders", "PK_Orders", En(1));
    h.Agrega("Sales.Orders", "PK_Orders", En(1));
    h.Agrega("Orders", "PK_Orders", En(2, false));
    EXPECT_EQ(h,
              HistorialDensidad({{"Orders", "PK_Orders", "OrdersPK_Orders", {En(1), En(2, false)}},
                                 {"Sales.Orders", "PK_Orders", "Sales.OrdersPK_Orders", {En(1)}}}));
}

TEST(HistorialDensidad, AMergeAddsWhatIsMissingOnceInTheOrderOfStartsAndOrdersTheRowsOnTheirKeys) {
    HistorialDensidad archivo({{"b", "", "b", {En(1), En(5)}}, {"a", "", "a", {En(2)}}});
    const HistorialDensidad motor({{"b", "", "b", {En(5), En(3), En(5, false)}},
                                   {"B", "", "B", {En(4)}},
                                   {"Á", "", "Á", {En(6)}}});
    archivo.Fusiona(motor);
    // A measurement of the same moments and kind is there already; the rows go by their bytes.
    EXPECT_EQ(archivo, HistorialDensidad({{"B", "", "B", {En(4)}},
                                          {"a", "", "a", {En(2)}},
                                          {"b", "", "b", {En(1), En(3), En(5), En(5, false)}},
                                          {"Á", "", "Á", {En(6)}}}));
    const HistorialDensidad igual = archivo;
    archivo.Fusiona(igual);
    EXPECT_EQ(archivo, igual);
}

}  // namespace
}  // namespace velqor::prueba
