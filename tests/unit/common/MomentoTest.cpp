#include "common/Momento.h"

#include <gtest/gtest.h>

namespace velqor {
namespace {

TEST(Momento, CamposDeUnMomento) {
    const CamposMomento c = Campos(HacerMomento(2026, 12, 4, 16, 5, 9));
    EXPECT_EQ(c.anio, 2026);
    EXPECT_EQ(c.mes, 12u);
    EXPECT_EQ(c.dia, 4u);
    EXPECT_EQ(c.hora, 16);
    EXPECT_EQ(c.minuto, 5);
    EXPECT_EQ(c.segundo, 9);
}

TEST(Momento, FormateaPatrones) {
    const Momento m = HacerMomento(2026, 12, 4, 16, 5, 9);
    const std::vector<std::pair<const char*, const char*>> casos = {
        {"yyyymmddhhnnss", "20261204160509"},
        {"dd/mm/yyyy hh:nn:ss", "04/12/2026 16:05:09"},
        {"yyyy-mm-dd hh:nn:ss", "2026-12-04 16:05:09"},
        {"yyyy_mm", "2026_12"},
        {"[y m]", "[y m]"},
    };
    for (const auto& [patron, texto] : casos) {
        EXPECT_EQ(Formatea(m, patron), texto) << patron;
    }
    EXPECT_EQ(Formatea(HacerMomento(987, 1, 2, 3, 4, 5), "yyyy-mm-dd hh:nn:ss"), "0987-01-02 03:04:05");
}

TEST(Momento, LeeLaFormaDeLaMatriz) {
    Momento m;
    ASSERT_TRUE(LeeMomento("2024-02-29 23:59:59", m));
    EXPECT_EQ(m, HacerMomento(2024, 2, 29, 23, 59, 59));
}

TEST(Momento, RechazaLoQueNoEsUnaFechaValida) {
    for (const char* texto :
         {"", "2024-13-01 00:00:00", "2023-02-29 00:00:00", "2024-00-10 00:00:00", "2024-01-00 00:00:00",
          "2024-01-01 24:00:00", "2024-01-01 00:60:00", "2024-01-01 00:00:60", "2024-01-01 00:00",
          "2024-01-01T00:00:00", "2024-01-01 00:00:00 ", "2024/01/01 00:00:00", "20a4-01-01 00:00:00",
          "+024-01-01 00:00:00"}) {
        Momento m;
        EXPECT_FALSE(LeeMomento(texto, m)) << texto;
    }
}

TEST(Momento, RelojSistemaDaLaHoraLocalAlSegundo) {
    const Momento antes = RelojSistema::Instancia().Ahora();
    const Momento despues = RelojSistema().Ahora();
    EXPECT_LE(antes, despues);
    EXPECT_LE(despues - antes, std::chrono::seconds{5});
}

}  // namespace
}  // namespace velqor
