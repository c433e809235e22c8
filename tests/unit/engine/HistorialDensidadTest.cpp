// The density history's rows: adding a measurement, merging two months and ordering the rows.

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

TEST(HistorialDensidad, RowsAreFoundByTableAndIndexNeverByTheirSharedKey) {
    HistorialDensidad h;
    h.Agrega("Orders", "IX_Date", En(1));
    h.Agrega("Order", "sIX_Date", En(2));
    h.Agrega("[Sales.Orders]", "PK", En(3));
    h.Agrega("Sales.Orders", "PK", En(4));
    h.Agrega("Order", "sIX_Date", En(5));
    EXPECT_EQ(h, HistorialDensidad({{"Orders", "IX_Date", "OrdersIX_Date", {En(1)}},
                                    {"Order", "sIX_Date", "OrdersIX_Date", {En(2), En(5)}},
                                    {"[Sales.Orders]", "PK", "[Sales.Orders]PK", {En(3)}},
                                    {"Sales.Orders", "PK", "Sales.OrdersPK", {En(4)}}}));

    // Rows read from a file are found the same way; two real treatments in one second are two.
    HistorialDensidad leida({{"Order", "sIX_Date", "OrdersIX_Date", {En(2)}},
                             {"Orders", "IX_Date", "OrdersIX_Date", {En(1)}}});
    leida.Agrega("Orders", "IX_Date", En(1));
    EXPECT_EQ(leida.Filas()[1].mediciones, (std::vector<Medicion>{En(1), En(1)}));
    EXPECT_EQ(leida.Filas()[0].mediciones, std::vector<Medicion>{En(2)});
}

TEST(HistorialDensidad, AMergeOfTwoMonthsCountsACopiedTreatmentOnceAndKeepsRealRepeats) {
    HistorialDensidad marzo({{"b", "", "b", {En(1), En(5)}}, {"a", "", "a", {En(2)}}});
    const HistorialDensidad abril({{"b", "", "b", {En(5), En(3), En(3), En(5, false)}},
                                   {"B", "", "B", {En(4)}},
                                   {"Order", "sIX", "OrdersIX", {En(6)}},
                                   {"Orders", "IX", "OrdersIX", {En(7)}}});
    marzo.Fusiona(abril);
    EXPECT_EQ(marzo,
              HistorialDensidad({{"B", "", "B", {En(4)}},
                                 {"Order", "sIX", "OrdersIX", {En(6)}},
                                 {"Orders", "IX", "OrdersIX", {En(7)}},
                                 {"a", "", "a", {En(2)}},
                                 {"b", "", "b", {En(1), En(3), En(3), En(5), En(5, false)}}}));
    const HistorialDensidad igual = marzo;
    marzo.Fusiona(igual);
    EXPECT_EQ(marzo, igual);
}

TEST(HistorialDensidad, OrderingGoesByKeyBytesThenTableAndEachRowByStart) {
    HistorialDensidad h({{"b", "", "b", {En(5), En(1), En(5, false)}},
                         {"Orders", "IX_Date", "OrdersIX_Date", {En(2)}},
                         {"B", "", "B", {En(4)}},
                         {"Order", "sIX_Date", "OrdersIX_Date", {En(3)}},
                         {"Á", "", "Á", {En(6)}}});
    h.Ordena();
    EXPECT_EQ(h, HistorialDensidad({{"B", "", "B", {En(4)}},
                                    {"Order", "sIX_Date", "OrdersIX_Date", {En(3)}},
                                    {"Orders", "IX_Date", "OrdersIX_Date", {En(2)}},
                                    {"b", "", "b", {En(1), En(5), En(5, false)}},
                                    {"Á", "", "Á", {En(6)}}}));
    // The lookup follows the rows to their new places.
    h.Agrega("Orders", "IX_Date", En(7));
    EXPECT_EQ(h.Filas()[2].mediciones, (std::vector<Medicion>{En(2), En(7)}));
}

}  // namespace
}  // namespace velqor::prueba
