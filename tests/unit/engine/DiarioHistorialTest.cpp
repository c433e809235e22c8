// The journal's text: records written and read back, lines cut short or altered skipped, and
// which measurements a file already holds.

#include <gtest/gtest.h>

#include "engine/DiarioHistorial.h"

namespace velqor::prueba {
namespace {

Medicion En(int segundo, bool bloquear = true) {
    const Momento inicio = HacerMomento(2024, 3, 31, 23, 59, segundo);
    return {12.25, inicio, inicio + std::chrono::seconds(1), 99.999999999999986, bloquear};
}

AsientoDiario Medida(const std::string& tabla, const std::string& indice, const Medicion& m) {
    return {false, tabla, indice, m, 0};
}

TEST(DiarioHistorial, RecordsReadBackWhateverTheirNamesHold) {
    const std::vector<AsientoDiario> asientos = {
        Medida("Orders", "IX_Date", En(1)),
        Medida("[Sales.Orders]", "PK\tcon\ttab", En(2, false)),
        Medida("Canción\r\n100%", "%09", En(3)),
        Medida("", "", En(4)),
        {true, "", "", {}, 0xfedcba9876543210ULL},
    };
    std::string texto;
    for (const AsientoDiario& a : asientos) {
        texto += a.marca ? DiarioHistorial::Marca(a.huella)
                         : DiarioHistorial::Medida(a.tabla, a.indice, a.medicion);
    }
    std::size_t descartados = 9;
    EXPECT_EQ(DiarioHistorial::Lee(texto, descartados), asientos);
    EXPECT_EQ(descartados, 0u);
    EXPECT_TRUE(DiarioHistorial::Lee("", descartados).empty());
}

TEST(DiarioHistorial, ALineCutShortOrAlteredIsSkippedAndTheOthersKept) {
    const std::string a = DiarioHistorial::Medida("Orders", "IX_Date", En(1));
    const std::string b = DiarioHistorial::Medida("Orders", "IX_Date", En(2));
    std::string alterada = b;
    alterada.replace(alterada.find("12.25"), 5, "13.25");
    struct Caso {
        std::string texto;
        std::size_t leidos;
        std::size_t descartados;
    };
    const Caso casos[] = {
        {a + b.substr(0, b.size() - 1), 1, 1},  // killed before the line end
        {a + b.substr(0, 7), 1, 1},             // killed in the middle of the line
        {a + alterada + a, 2, 1},               // a byte changed in the middle
        {a + "\n" + a, 2, 1},                   // an empty line
        {"M\tx\n", 0, 1},                       // no check
        {std::string(3, '\0') + "\n" + b, 1, 1},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.texto);
        std::size_t descartados = 0;
        EXPECT_EQ(DiarioHistorial::Lee(caso.texto, descartados).size(), caso.leidos);
        EXPECT_EQ(descartados, caso.descartados);
    }
}

TEST(DiarioHistorial, TheMeasurementsAfterTheLastMarkOfTheFileAreTheOnesItLacks) {
    const AsientoDiario m1 = Medida("t", "i", En(1));
    const AsientoDiario m2 = Medida("t", "i", En(1));  // a second treatment in the same second
    const AsientoDiario m3 = Medida("t", "i", En(3));
    const AsientoDiario marcaA{true, "", "", {}, 0xA};
    const AsientoDiario marcaB{true, "", "", {}, 0xB};
    const std::vector<AsientoDiario> diario = {m1, m2, marcaA, m3, marcaB};
    EXPECT_EQ(DiarioHistorial::Pendientes(diario, 0xB), std::vector<AsientoDiario>{});
    EXPECT_EQ(DiarioHistorial::Pendientes(diario, 0xA), std::vector<AsientoDiario>{m3});
    EXPECT_EQ(DiarioHistorial::Pendientes(diario, 0xC), (std::vector<AsientoDiario>{m1, m2, m3}));
}

}  // namespace
}  // namespace velqor::prueba
