// velqor-config history over the history that real passes wrote: four nights against sqlsim,
// restarted before each pass so that its indexes are fragmented again, then the advice; and the
// page loaded in a real browser (headless Chromium) where one is installed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "ConfigE2e.h"
#include "engine/Velqor.h"

namespace velqor::prueba {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A clock that moves one second each time it is read, so treatments take time; the test sets
// the evening of each pass.
class RelojQueAvanza final : public Reloj {
  public:
    Momento Ahora() const override { return ahora_ += std::chrono::seconds(1); }
    void Fija(Momento m) { ahora_ = m; }

  private:
    mutable Momento ahora_{};
};

class HistorialE2eTest : public ConfigE2e {
  protected:
    // One off-line pass at 22:00 on 4, 5, 6 and 7 March 2024, each against a fresh sqlsim:
    // Clientes.PK_Clientes at 42.5 and Sales.Pedidos.PK_Pedidos at 80 every evening.
    void CuatroNoches() {
        escenario["databases"][0]["tables"][1]["indexes"][0]["density"] = 80;  // Sales.Pedidos
        RelojQueAvanza reloj;
        for (unsigned dia = 4; dia <= 7; ++dia) {
            Arranca();
            reloj.Fija(HacerMomento(2024, 3, dia, 22));
            Velqor motor({}, reloj);
            bool noEsSQL = false;
            ASSERT_TRUE(motor.Crear(programa.Texto(), "Ventas", informes.Texto(), noEsSQL));
            bool cancelar = false;
            std::string informe;
            ASSERT_TRUE(motor.MejorarRendimiento(false, respaldos.Texto(), cancelar, "ana",
                                                 "secreto", informe))
                << informe;
        }
    }
};

TEST_F(HistorialE2eTest, IndexesTreatedEveryNightGetFillFactorAdviceWithTheirEvidence) {
    CuatroNoches();
    EXPECT_TRUE(std::filesystem::exists(informes.En("Ventas_2024_03.ZEVeri")));

    const ResultadoCli texto = EjecutaCli({"history", informes.Texto()});
    ASSERT_EQ(texto.codigo, 0) << texto.error;
    const std::string consejos = texto.salida.substr(texto.salida.find("\nAdvice"));
    std::cout << "---- advice of four nights ----" << consejos
              << "-------------------------------\n";
    EXPECT_THAT(consejos, HasSubstr("- Table Clientes, index PK_Clientes: Rebuild it with "
                                    "FILLFACTOR = 80"));
    EXPECT_THAT(consejos, HasSubstr("- Table Sales.Pedidos, index PK_Pedidos: Rebuild it with "
                                    "FILLFACTOR = 90"));
    EXPECT_THAT(consejos, HasSubstr("Evidence: treated on 4 of 4 nights; density 42.5% before and "
                                    "100% after on average; back under 100% by the next night 3 "
                                    "times out of 3, at 42.5% on average."));
    EXPECT_THAT(consejos, Not(HasSubstr("IX_Denso")));  // never under the threshold

    const ResultadoCli json = EjecutaCli({"history", informes.Texto(), "--json"});
    ASSERT_EQ(json.codigo, 0) << json.error;
    const auto j = nlohmann::json::parse(json.salida);
    ASSERT_EQ(j["overview"].size(), 4u);
    for (const auto& noche : j["overview"]) {
        EXPECT_EQ(noche["indexesTreated"], 2);
        EXPECT_EQ(noche["rebuilt"], 2);
        EXPECT_EQ(noche["defragmented"], 0);
        EXPECT_GT(noche["seconds"], 0);
        EXPECT_EQ(noche["meanDensityBefore"], (42.5 + 80) / 2);
        EXPECT_EQ(noche["meanDensityAfter"], 100);
    }
    EXPECT_EQ(j["overview"][0]["night"], "2024-03-04");
    ASSERT_EQ(j["advice"].size(), 2u);
    EXPECT_EQ(j["advice"][0]["index"], "PK_Clientes");
    EXPECT_EQ(j["advice"][0]["nightsTreated"], 4);
    EXPECT_EQ(j["advice"][0]["fragmentedAgainByTheNextNight"], 3);
    EXPECT_EQ(j["advice"][1]["table"], "Sales.Pedidos");
    EXPECT_EQ(j["advice"][1]["meanDensityTheNextNight"], 80);
    EXPECT_EQ(j["advice"][1]["fillFactor"], 90);
}

// The text a command prints on standard output, or nullopt when it cannot be run.
std::optional<std::string> Salida(const std::string& orden) {
    std::unique_ptr<FILE, int (*)(FILE*)> tubo(::popen(orden.c_str(), "r"), ::pclose);
    if (!tubo) return std::nullopt;
    std::string salida;
    std::array<char, 4096> bloque;
    while (size_t leidos = std::fread(bloque.data(), 1, bloque.size(), tubo.get())) {
        salida.append(bloque.data(), leidos);
    }
    return salida;
}

TEST_F(HistorialE2eTest, ThePageShowsItsOverviewAdviceAndFilterInARealBrowser) {
    const std::string chromium = "/usr/bin/chromium";
    if (!std::filesystem::exists(chromium)) GTEST_SKIP() << "Chromium is not installed";
    CuatroNoches();
    const std::string pagina = informes.En("page.html");
    const ResultadoCli r = EjecutaCli({"history", informes.Texto(), "--html", pagina});
    ASSERT_EQ(r.codigo, 0) << r.error;

    // The DOM once the page's script has run; a fresh profile each time, nothing fetched.
    const auto dom = [&](const std::string& ancla) {
        CarpetaTemporal perfil;
        return Salida("timeout 90 " + chromium +
                      " --headless --no-sandbox --disable-gpu --no-first-run "
                      "--disable-background-networking --disable-component-update --disable-sync "
                      "--user-data-dir='" +
                      perfil.Texto() + "' --dump-dom 'file://" + pagina + ancla + "' 2>/dev/null")
            .value_or("");
    };
    const std::string entera = dom("");
    ASSERT_THAT(entera, HasSubstr("<h2>Overview</h2>"));
    EXPECT_THAT(entera, HasSubstr("<td>2024-03-07</td>"));
    EXPECT_THAT(entera, HasSubstr("class=\"consejo\" data-tipo=\"fillFactor\""));
    EXPECT_THAT(entera, HasSubstr("FILLFACTOR = 80"));
    // The script ran: it counted the indexes, all shown.
    EXPECT_THAT(entera, HasSubstr("2 of 2 indexes shown"));

    const std::string filtrada = dom("#filter=PEDIDOS");
    EXPECT_THAT(filtrada, HasSubstr("1 of 2 indexes shown"));
    EXPECT_THAT(filtrada, HasSubstr("data-nombre=\"Clientes PK_Clientes\" hidden=\"\""));
    EXPECT_THAT(filtrada, Not(HasSubstr("data-nombre=\"Sales.Pedidos PK_Pedidos\" hidden")));
}

}  // namespace
}  // namespace velqor::prueba
