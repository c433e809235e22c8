// The definition's maintenance policy through the real ODBC stack against sqlsim: which index gets
// which statement (or none) by its pages, its fragmentation, the users and the server's edition;
// the time limit; the lock timeout.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PaseE2e.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// The recommended policy over one table whose indexes lie below, at and above MinPages and in
// each band of fragmentation and on each boundary.
class PoliticaE2eTest : public PaseE2eTest {
  protected:
    PoliticaE2eTest() {
        definicionExtra = "MinPages = 1000\r\nReorganizeAbove = 5\r\nRebuildAbove = 30\r\n";
        json indices = json::array();
        int id = 1;
        for (const auto& [nombre, paginas, densidad] : kIndices) {
            indices.push_back(
                {{"name", nombre}, {"id", id++}, {"pages", paginas}, {"density", densidad}});
        }
        escenario["databases"][0]["tables"] =
            json::array({{{"name", "Pedidos"}, {"indexes", indices}}});
    }
    // The index statements the server received, in order.
    std::vector<std::string> Tratamientos() const {
        std::vector<std::string> sentencias;
        for (const auto& l : Diario()) {
            if (l.rfind("DBCC DBREINDEX", 0) == 0 || l.rfind("DBCC INDEXDEFRAG", 0) == 0 ||
                l.rfind("ALTER INDEX", 0) == 0) {
                sentencias.push_back(l);
            }
        }
        return sentencias;
    }

    struct Indice {
        const char* nombre;
        int paginas;
        double densidad;
    };
    static constexpr Indice kIndices[] = {
        {"IX_Pequeno", 999, 10},      // under MinPages: left alone however fragmented
        {"IX_JustoMin", 1000, 20},    // at MinPages, fragmentation 80: rebuild band
        {"IX_Pesado", 50000, 50},     // fragmentation 50: rebuild band
        {"IX_Borde30", 50000, 70},    // fragmentation 30 exactly: rebuild band
        {"IX_Bajo30", 50000, 70.01},  // just under 30: defragment band
        {"IX_Medio", 50000, 80},      // fragmentation 20: defragment band
        {"IX_Borde5", 50000, 95},     // fragmentation 5 exactly: defragment band
        {"IX_Ligero", 50000, 95.01},  // just under 5: left alone
        {"IX_Entero", 50000, 100},    // not fragmented: left alone
    };
};

struct CasoPolitica {
    int edicion;
    bool enLinea;
    // The statements in survey order (most fragmented first): IX_JustoMin, IX_Pesado, IX_Borde30
    // get reconstruye, IX_Bajo30, IX_Medio, IX_Borde5 get reorganiza; r is the statement kind of
    // the rebuild band, d of the defragment band.
    const char* r;
    const char* d;
};

class PoliticaCasosE2eTest : public PoliticaE2eTest,
                             public ::testing::WithParamInterface<CasoPolitica> {};

std::string Sentencia(const char* forma, const std::string& indice) {
    std::string s = forma;
    s.replace(s.find("{i}"), 3, indice);
    return s;
}

TEST_P(PoliticaCasosE2eTest, EachIndexGetsExactlyItsTreatmentOrNone) {
    const CasoPolitica caso = GetParam();
    escenario["engineEdition"] = caso.edicion;
    Arranca();
    EXPECT_TRUE(Pasa(caso.enLinea)) << informe;
    std::vector<std::string> esperadas;
    for (const char* i : {"IX_JustoMin", "IX_Pesado", "IX_Borde30"})
        esperadas.push_back(Sentencia(caso.r, i));
    for (const char* i : {"IX_Bajo30", "IX_Medio", "IX_Borde5"})
        esperadas.push_back(Sentencia(caso.d, i));
    EXPECT_THAT(Tratamientos(), ElementsAreArray(esperadas)) << informe;
    for (const char* solo : {"IX_Pequeno", "IX_Ligero", "IX_Entero"})
        EXPECT_THAT(informe, ::testing::Not(HasSubstr(solo)));
}

constexpr const char* kDbReindex = "DBCC DBREINDEX ('[dbo].[Pedidos]', '{i}')";
constexpr const char* kIndexDefrag = "DBCC INDEXDEFRAG ([Ventas], '[dbo].[Pedidos]', '{i}')";
constexpr const char* kEnLinea = "ALTER INDEX [{i}] ON [dbo].[Pedidos] REBUILD WITH (ONLINE = ON)";
constexpr const char* kRebuild = "ALTER INDEX [{i}] ON [dbo].[Pedidos] REBUILD";
constexpr const char* kReorganize = "ALTER INDEX [{i}] ON [dbo].[Pedidos] REORGANIZE";

INSTANTIATE_TEST_SUITE_P(EdicionesYUsuarios, PoliticaCasosE2eTest,
                         ::testing::Values(CasoPolitica{2, false, kDbReindex, kIndexDefrag},
                                           CasoPolitica{2, true, kIndexDefrag, kIndexDefrag},
                                           CasoPolitica{3, false, kDbReindex, kIndexDefrag},
                                           CasoPolitica{3, true, kEnLinea, kIndexDefrag},
                                           CasoPolitica{5, false, kRebuild, kReorganize},
                                           CasoPolitica{5, true, kEnLinea, kReorganize}),
                         [](const auto& info) {
                             return "Edition" + std::to_string(info.param.edicion) +
                                    (info.param.enLinea ? "UsersOnLine" : "UsersOffLine");
                         });

// Without the policy's keys the pass is today's: every index not perfectly dense, the small and
// the lightly fragmented ones included, rebuilt off line and defragmented on line, whatever the
// edition.
TEST_F(PoliticaE2eTest, WithoutPolicyKeysEveryIndexUnder100IsTreatedAsBefore) {
    definicionExtra.clear();
    escenario["engineEdition"] = 3;
    const char* orden[] = {"IX_Pequeno", "IX_JustoMin", "IX_Pesado", "IX_Borde30",
                           "IX_Bajo30",  "IX_Medio",    "IX_Borde5", "IX_Ligero"};
    for (const bool enLinea : {false, true}) {
        SCOPED_TRACE(enLinea ? "on line" : "off line");
        Arranca();
        EXPECT_TRUE(Pasa(enLinea)) << informe;
        std::vector<std::string> esperadas;
        for (const char* i : orden)
            esperadas.push_back(Sentencia(enLinea ? kIndexDefrag : kDbReindex, i));
        EXPECT_THAT(Tratamientos(), ElementsAreArray(esperadas));
        informe.clear();
        motor.reset();
    }
}

// Past the time limit no index treatment starts: each index left has its line, which is no error;
// the statistics, the log steps and both backups still run and the pass succeeds.
TEST_F(PoliticaE2eTest, TimeLimitSkipsTheIndexesLeftAndStillBacksUp) {
    // The survey and the first measure take far less than the limit, even on a loaded machine;
    // the first treatment takes longer than it.
    definicionExtra += "TimeLimit = 3\r\n";
    escenario["msPer1000Pages"] = {{"dbreindex", 4000}};
    escenario["databases"][0]["tables"][0]["indexes"][1]["pages"] = 1000;  // IX_JustoMin: 4 s
    Arranca();
    EXPECT_TRUE(Pasa()) << informe;
    Forma({kPrimera, P("Reindex Pedidos.IX_JustoMin"),
           P("Skipped Pedidos.IX_Pesado (time limit)", false),
           P("Skipped Pedidos.IX_Borde30 (time limit)", false),
           P("Skipped Pedidos.IX_Bajo30 (time limit)", false),
           P("Skipped Pedidos.IX_Medio (time limit)", false),
           P("Skipped Pedidos.IX_Borde5 (time limit)", false), P("Update Statistics"),
           P("Shrink Ventas_log"), P("Backup Log"), P("Log Truncate", false) + ".*",
           P("Shrink Ventas_log"), P("Backup Database"), kTiempo});
    EXPECT_EQ(Tratamientos().size(), 1u);
    EXPECT_EQ(ArchivosRespaldo().size(), 2u);
    EXPECT_EQ(eventos.back(), "Done");
    EXPECT_THAT(cuadros, ::testing::IsEmpty());
}

// An index whose lock another session holds fails with 1222 after the lock timeout; the failure
// is reported and logged like any failed index, and the next index is treated.
TEST_F(PoliticaE2eTest, LockTimeoutFailsTheLockedIndexWith1222AndGoesOn) {
    definicionExtra += "LockTimeout = 0\r\n";
    escenario["locks"] =
        json::array({{{"database", "Ventas"}, {"table", "Pedidos"}, {"index", "IX_Pesado"}}});
    FijaDesatendido(true);
    Arranca();
    EXPECT_TRUE(Pasa()) << informe;
    FijaDesatendido(false);
    const auto lineas = Lineas();
    ASSERT_GE(lineas.size(), 4u) << informe;
    EXPECT_THAT(lineas[2], ::testing::StartsWith("Reindex Pedidos.IX_Pesado Error "));
    EXPECT_THAT(lineas[2], HasSubstr("Lock request time out period exceeded."));
    EXPECT_THAT(lineas[3], ::testing::StartsWith("Reindex Pedidos.IX_Borde30 ("));
    const std::string log = LeeBytes(ArchivoLog());
    EXPECT_THAT(log, HasSubstr("1222"));
    EXPECT_THAT(log, HasSubstr("Pedidos(IX_Pesado)"));
    const auto diario = Diario();
    const auto fija = std::find(diario.begin(), diario.end(), "SET LOCK_TIMEOUT 0");
    ASSERT_NE(fija, diario.end());
    EXPECT_LT(fija - diario.begin(),
              std::find(diario.begin(), diario.end(), Sentencia(kDbReindex, "IX_JustoMin")) -
                  diario.begin());
    EXPECT_THAT(diario, ::testing::Contains("SET LOCK_TIMEOUT -1"));
}

}  // namespace
}  // namespace velqor::prueba
