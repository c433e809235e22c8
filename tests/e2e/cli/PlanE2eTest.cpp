// velqor-config plan against sqlsim: only reading statements reach the server, and the plan lists
// exactly what the real pass then sends.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "ConfigE2e.h"
#include "cli/ConexionEnsayo.h"
#include "common/General.h"
#include "engine/Velqor.h"

namespace velqor::prueba {
namespace {

using ::testing::HasSubstr;

// A statement with its time stamps and password hash masked, so a plan and a pass compare.
// The journal writes a backslash doubled; delDiario undoes it.
std::string Comparable(std::string s, bool delDiario = false) {
    if (delDiario) s = std::regex_replace(s, std::regex(R"(\\\\)"), R"(\)");
    const std::string sinFecha =
        std::regex_replace(s, std::regex("_\\d{14}\\.dat"), "_<stamp>.dat");
    return std::regex_replace(sinFecha, std::regex("Usuario_PW='[^']*'"), "Usuario_PW='********'");
}

class PlanE2eTest : public ConfigE2e {};

TEST_F(PlanE2eTest, OnlyReadsAndListsExactlyWhatThePassThenSends) {
    for (const bool enLinea : {false, true}) {
        SCOPED_TRACE(enLinea ? "on line" : "off line");
        Arranca();
        const std::string lanzamiento = Lanzamiento("secreto", enLinea);
        const ResultadoCli r =
            EjecutaCli({"plan", lanzamiento, "--program-folder", programa.Texto(), "--json"});
        ASSERT_EQ(r.codigo, 0) << r.error;
        for (const auto& l : sim->LineasDiario()) EXPECT_TRUE(cli::ConexionEnsayo::SoloLee(l)) << l;
        const auto plan = nlohmann::json::parse(r.salida);
        EXPECT_EQ(plan["indexesToTreat"], 2);
        std::vector<std::string> planeadas;
        for (const auto& s : plan["statements"]) planeadas.push_back(Comparable(s["sql"]));
        // No report, history or log was written; no backup was taken.
        EXPECT_TRUE(std::filesystem::is_empty(informes.Ruta()));
        EXPECT_TRUE(std::filesystem::is_empty(respaldos.Ruta()));

        // The real pass, from the same configuration.
        const size_t antes = sim->LineasDiario().size();
        {
            Velqor motor;
            bool noEsSQL = false;
            ASSERT_TRUE(motor.Crear(programa.Texto(), "Ventas", informes.Texto(), noEsSQL));
            bool cancelar = false;
            std::string informe;
            EXPECT_TRUE(motor.MejorarRendimiento(enLinea, respaldos.Texto(), cancelar, "ana",
                                                 "secreto", informe));
        }
        const auto diario = sim->LineasDiario();
        std::vector<std::string> enviadas;
        for (size_t k = antes; k < diario.size(); ++k)
            enviadas.push_back(Comparable(diario[k], true));
        EXPECT_EQ(planeadas, enviadas);
        for (const auto* carpeta : {&informes, &respaldos}) {
            std::filesystem::remove_all(carpeta->Ruta());
            std::filesystem::create_directory(carpeta->Ruta());
        }
    }
}

// Under the recommended policy with users on line on an Enterprise server, the plan leaves the
// small index alone, rebuilds the large one on line after setting the lock timeout, and the pass
// then sends exactly that.
TEST_F(PlanE2eTest, ThePolicyDecidesThePlanAsItDecidesThePass) {
    escenario["databases"][0]["tables"][1]["indexes"][0]["pages"] = 5000;
    Arranca({"--policy", "recommended", "--lock-timeout", "5"});
    const ResultadoCli r =
        EjecutaCli({"plan", Lanzamiento("secreto", true), "--program-folder", programa.Texto()});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.salida, HasSubstr("-- Maintenance policy: MinPages 1000, ReorganizeAbove 5, "
                                    "RebuildAbove 30, LockTimeout 5\n"));
    EXPECT_THAT(r.salida,
                HasSubstr("SET LOCK_TIMEOUT 5000\n"
                          "DBCC SHOWCONTIG ('[Sales].[Pedidos]',[PK_Pedidos]) WITH FAST, "
                          "TABLERESULTS, NO_INFOMSGS  -- sent, scan density 61 %\n"
                          "ALTER INDEX [PK_Pedidos] ON [Sales].[Pedidos] REBUILD WITH (ONLINE = "
                          "ON)\n"));
    EXPECT_THAT(r.salida, ::testing::Not(HasSubstr("PK_Clientes")));
    EXPECT_THAT(r.salida, HasSubstr("-- 1 index(es) to treat\n"));
    {
        Velqor motor;
        bool noEsSQL = false;
        ASSERT_TRUE(motor.Crear(programa.Texto(), "Ventas", informes.Texto(), noEsSQL));
        bool cancelar = false;
        std::string informe;
        EXPECT_TRUE(
            motor.MejorarRendimiento(true, respaldos.Texto(), cancelar, "ana", "secreto", informe));
    }
    EXPECT_THAT(sim->LineasDiario(),
                ::testing::Contains(
                    "ALTER INDEX [PK_Pedidos] ON [Sales].[Pedidos] REBUILD WITH (ONLINE = ON)"));
}

TEST_F(PlanE2eTest, TheTextFormShowsDensitiesTheCountAndTheStepsThatWillNotApply) {
    escenario["databases"][0]["recovery"] = "SIMPLE";
    Arranca();
    const ResultadoCli r =
        EjecutaCli({"plan", Lanzamiento(), "--program-folder", programa.Texto()});
    ASSERT_EQ(r.codigo, 0) << r.error;
    std::cout << r.salida;
    EXPECT_THAT(r.salida, HasSubstr("DBCC SHOWCONTIG ('[dbo].[Clientes]',[PK_Clientes]) WITH FAST, "
                                    "TABLERESULTS, NO_INFOMSGS  -- sent, scan density 42.5 %\n"
                                    "DBCC DBREINDEX ('[dbo].[Clientes]', 'PK_Clientes')\n"));
    EXPECT_THAT(r.salida, HasSubstr("DBCC DBREINDEX ('[Sales].[Pedidos]', 'PK_Pedidos')\n"));
    EXPECT_THAT(r.salida, HasSubstr("Usuario_PW='********'"));
    EXPECT_THAT(r.salida, HasSubstr("-- 2 index(es) to treat\n"));
    EXPECT_THAT(r.salida, HasSubstr("-- will not apply: Backup Log: Doesn't apply because of "
                                    "RECOVERY MODEL SIMPLE\n"));
}

TEST_F(PlanE2eTest, AWrongPasswordEndsThePlanWithExit1) {
    Arranca();
    const ResultadoCli r =
        EjecutaCli({"plan", Lanzamiento("equivocada"), "--program-folder", programa.Texto()});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_THAT(r.error, HasSubstr("Please give a valid password"));
    for (const auto& l : sim->LineasDiario()) EXPECT_TRUE(cli::ConexionEnsayo::SoloLee(l)) << l;
}

}  // namespace
}  // namespace velqor::prueba
