// velqor-config check against sqlsim: the facts it prints for a healthy database and for the
// cases that change tonight's pass, the server's own message when it cannot connect, and that it
// sends nothing that changes anything.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AutoridadPrueba.h"
#include "ConfigE2e.h"
#include "cli/ConexionEnsayo.h"

namespace velqor::prueba {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ComprobarE2eTest : public ConfigE2e {
  protected:
    ResultadoCli Comprueba(std::vector<std::string> mas = {}) {
        std::vector<std::string> argumentos{"check", "Ventas", "--program-folder",
                                            programa.Texto()};
        argumentos.insert(argumentos.end(), mas.begin(), mas.end());
        return EjecutaCli(argumentos);
    }
    void NadaCambio() const {
        for (const auto& l : sim->LineasDiario()) EXPECT_TRUE(cli::ConexionEnsayo::SoloLee(l)) << l;
    }
};

TEST_F(ComprobarE2eTest, AHealthyDatabaseOneFactALine) {
    Arranca();
    const ResultadoCli r = Comprueba();
    ASSERT_EQ(r.codigo, 0) << r.error;
    std::cout << r.salida;
    for (const char* hecho :
         {"Server:           SQL Server 15.0.2000.5, Developer Edition (64-bit), engine edition "
          "3\n",
          "Connection:       not encrypted; encryption left to the driver\n",
          "Database:         Ventas\n", "Recovery model:   FULL\n",
          "File:             Ventas (ROWS, 64 MB)\n", "File:             Ventas_log (LOG, 32 MB)\n",
          "User table:       UsuariosPW, 1 user(s)\n",
          "Indexes:          3 surveyed, 2 under 100 % scan density\n",
          "Will not apply:   Log Truncate: Doesn't apply to SQL Server 2008 or higher\n"}) {
        EXPECT_THAT(r.salida, HasSubstr(hecho));
    }
    EXPECT_THAT(r.salida, ::testing::ContainsRegex("Last backup:      20[0-9-]+ [0-9:]+\n"));
    EXPECT_EQ(r.error, "");
    NadaCambio();
}

// The check names the definition's policy and counts the indexes of each of its branches, users
// off line and on line, as the pass would choose them on this server's edition.
TEST_F(ComprobarE2eTest, ThePolicyAndHowManyIndexesFallInEachBranch) {
    escenario["databases"][0]["tables"][1]["indexes"][0]["pages"] = 5000;
    for (const int edicion : {2, 3}) {
        SCOPED_TRACE(edicion);
        escenario["engineEdition"] = edicion;
        Arranca({"--policy", "recommended"});
        const ResultadoCli r = Comprueba();
        ASSERT_EQ(r.codigo, 0) << r.error;
        EXPECT_THAT(r.salida,
                    HasSubstr("Policy:           MinPages 1000, ReorganizeAbove 5, RebuildAbove "
                              "30\n"
                              "Users off line:   1 left alone, under MinPages, 1 rebuild\n"
                              "Users on line:    1 left alone, under MinPages, 1 " +
                              std::string(edicion == 3 ? "rebuild on line" : "defragment") + "\n"));
        const auto j = nlohmann::json::parse(Comprueba({"--json"}).salida);
        EXPECT_EQ(j["policy"]["MinPages"], "1000");
        EXPECT_EQ(j["branches"]["usersOffLine"]["rebuild"], 1);
        EXPECT_EQ(j["branches"]["usersOffLine"]["left alone, under MinPages"], 1);
        NadaCambio();
    }
}

TEST_F(ComprobarE2eTest, StepsThatWillNotApplyAndWhy) {
    const struct {
        const char* recuperacion;
        bool respaldada;
        int edicion;
        std::vector<const char*> hechos;
    } casos[] = {
        {"SIMPLE",
         true,
         3,
         {"Recovery model:   SIMPLE\n",
          "Will not apply:   Backup Log: Doesn't apply because of RECOVERY MODEL SIMPLE\n"}},
        {"FULL",
         false,
         3,
         {"Last backup:      never\n",
          "Will not apply:   Backup Log: Doesn't apply because it was never backed up\n"}},
        {"FULL",
         true,
         5,
         {"Server:           Azure SQL Database 12.0.2000.8, SQL Azure, engine edition 5\n",
          "Last backup:      not shown by this server\n",
          "Will not apply:   Backup Log: Doesn't apply to Azure SQL Database\n",
          "Will not apply:   Log Truncate: Doesn't apply to Azure SQL Database\n",
          "Will not apply:   Backup Database: Doesn't apply to Azure SQL Database\n",
          "Indexes:          3 surveyed, 2 under 100 % scan density\n"}},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(std::string(caso.recuperacion) + " " + std::to_string(caso.edicion));
        escenario["databases"][0]["recovery"] = caso.recuperacion;
        escenario["databases"][0]["backedUp"] = caso.respaldada;
        escenario["engineEdition"] = caso.edicion;
        Arranca();
        const ResultadoCli r = Comprueba();
        ASSERT_EQ(r.codigo, 0) << r.error;
        for (const char* hecho : caso.hechos) EXPECT_THAT(r.salida, HasSubstr(hecho));
        NadaCambio();
    }
}

TEST_F(ComprobarE2eTest, SaysWhetherTheConnectionIsEncryptedAndHowTheServerIsTrusted) {
    AutoridadPrueba autoridad;
    const std::string ca = programa.En("autoridad.pem");
    autoridad.EscribeCertificado(ca);
    autoridad.EmiteServidor({"127.0.0.1"}, programa.En("s.pem"), programa.En("s.key"));
    escenario["encryption"] = "required";
    escenario["certificate"] = programa.En("s.pem");
    escenario["privateKey"] = programa.En("s.key");
    Arranca({"--encrypt", "--ca-file", ca});
    const ResultadoCli r = Comprueba();
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_THAT(r.salida, HasSubstr("Connection:       encrypted; encryption required (yes), "
                                    "certificate checked against " +
                                    ca + "\n"));
}

TEST_F(ComprobarE2eTest, JsonForScripts) {
    Arranca();
    const ResultadoCli r = Comprueba({"--json"});
    ASSERT_EQ(r.codigo, 0) << r.error;
    const auto j = nlohmann::json::parse(r.salida);
    EXPECT_EQ(j["database"], "Ventas");
    EXPECT_EQ(j["recoveryModel"], "FULL");
    EXPECT_EQ(j["indexesToTreat"], 2);
    EXPECT_EQ(j["files"].size(), 2u);
    EXPECT_EQ(j["stepsNotApplying"][0]["step"], "Log Truncate");
    EXPECT_TRUE(j["lastBackup"].is_string());
}

TEST_F(ComprobarE2eTest, WhenItCannotConnectItExits1WithTheServersMessage) {
    const struct {
        const char* nombre;
        std::string usuario, base;
        bool cuelga;
        const char* mensaje;
    } casos[] = {
        {"refused login", "intruso", "Ventas", false, "Login failed for user 'intruso'"},
        {"unknown database", "maint", "Nada", false,
         "Cannot open database \"Nada\" requested by the login. The login failed."},
        {"no answer", "maint", "Ventas", true, ""},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        escenario["faults"] = caso.cuelga
                                  ? nlohmann::json::array({{{"on", "login"}, {"action", "hang"}}})
                                  : nlohmann::json::array();
        Arranca({}, caso.usuario, caso.base);
        const ResultadoCli r = Comprueba();
        EXPECT_EQ(r.codigo, 1);
        EXPECT_EQ(r.salida, "");
        EXPECT_THAT(r.error, HasSubstr("velqor-config check: "));
        EXPECT_THAT(r.error, HasSubstr(caso.mensaje));
    }
}

TEST_F(ComprobarE2eTest, Exits1WhenThePassCannotLogInAndWarnsOfTheReportFolder) {
    Arranca();
    EscribeBytes(programa.En("archivo"), "not a folder");
    const struct {
        const char* caso;
        std::vector<std::string> opciones;
        int codigo;
        const char* error;  // in standard error; "" for none at all
    } casos[] = {
        {"a user of the table", {"--user", "ana"}, 0, ""},
        {"a user the table lacks", {"--user", "bob"}, 1, "the user bob is not in UsuariosPW"},
        {"a report folder to make", {"--report-folder", programa.En("nuevos")}, 0,
         "does not exist; the pass will create it"},
        {"a report folder that cannot be",
         {"--report-folder", programa.En("archivo/informes")},
         0,
         "does not exist and cannot be created: Not a directory"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.caso);
        const ResultadoCli r = Comprueba(caso.opciones);
        EXPECT_EQ(r.codigo, caso.codigo) << r.error;
        EXPECT_THAT(r.salida, HasSubstr("User table:       UsuariosPW, 1 user(s)\n"));
        if (std::string(caso.error).empty()) {
            EXPECT_EQ(r.error, "");
        } else {
            EXPECT_THAT(r.error, HasSubstr(caso.error));
        }
    }

    escenario["databases"][0].erase("UsuariosPW");
    Arranca();
    const ResultadoCli sinTabla = Comprueba();
    EXPECT_EQ(sinTabla.codigo, 1);
    EXPECT_THAT(sinTabla.salida, HasSubstr("UsuariosPW is missing"));
    EXPECT_THAT(sinTabla.error, HasSubstr("UsuariosPW is missing: the pass cannot check its operator"));

    escenario["databases"][0]["UsuariosPW"] = json::array();
    Arranca();
    const ResultadoCli vacia = Comprueba({"--user", "bob"});
    EXPECT_EQ(vacia.codigo, 0) << "an empty table lets anybody through";
    EXPECT_THAT(vacia.error, HasSubstr("UsuariosPW holds no user"));
}

TEST_F(ComprobarE2eTest, SetUserShowsTheStatementAndSendsItOnlyWhenTold) {
    Arranca();
    const auto SetUser = [&](std::vector<std::string> opciones, const std::string& entrada) {
        std::vector<std::string> argumentos{"set-user", "Ventas", "--program-folder",
                                            programa.Texto(), "--password-stdin"};
        argumentos.insert(argumentos.end(), opciones.begin(), opciones.end());
        return EjecutaCli(argumentos, entrada);
    };
    const std::string cifrada = Codificador::Cifra(VersionPrograma::kEmpresa, "NUEVA");
    const std::string cambio =
        "UPDATE UsuariosPW SET Usuario_PW='" + cifrada + "' WHERE Usuario_ID='ana'";
    const std::string alta = "INSERT INTO UsuariosPW (Usuario_ID, Usuario_PW, Usuario_cd) VALUES "
                             "('O''Brien', '" + cifrada + "', 2)";

    // Declined: shown, asked, and nothing sent.
    for (const char* respuesta : {"n\n", "\n", ""}) {
        SCOPED_TRACE(respuesta);
        const ResultadoCli r = SetUser({"--user", "ana"}, std::string("nueva\n") + respuesta);
        EXPECT_EQ(r.codigo, 1);
        EXPECT_THAT(r.salida, HasSubstr(cambio + "\nSend this statement to Ventas? [y/N] "));
        EXPECT_THAT(r.error, HasSubstr("nothing was sent"));
    }
    const ResultadoCli nuevo = SetUser({"--user", "O'Brien"}, "nueva\n");
    EXPECT_EQ(nuevo.codigo, 2) << "a new user needs its code";
    EXPECT_THAT(nuevo.error, HasSubstr("give its code with --code"));
    EXPECT_EQ(SetUser({"--user", "ana", "--code", "x"}, "nueva\n").codigo, 2);
    for (const auto& linea : sim->LineasDiario()) {
        EXPECT_EQ(linea.find("UPDATE"), std::string::npos) << linea;
        EXPECT_EQ(linea.find("INSERT"), std::string::npos) << linea;
    }

    // Agreed, or --yes: the statement goes to the server as shown.
    SetUser({"--user", "ana"}, "nueva\ny\n");
    SetUser({"--user", "O'Brien", "--code", "2", "--yes"}, "nueva\n");
    const auto diario = sim->LineasDiario();
    EXPECT_THAT(diario, ::testing::Contains(cambio));
    EXPECT_THAT(diario, ::testing::Contains(alta));
}

TEST_F(ComprobarE2eTest, ADefinitionGivenByPathOrThatDoesNotLoad) {
    Arranca();
    const ResultadoCli r = EjecutaCli({"check", programa.En("Ventas.cfp")});
    EXPECT_EQ(r.codigo, 0) << r.error;
    const ResultadoCli falta = EjecutaCli({"check", "Nada", "--program-folder", programa.Texto()});
    EXPECT_EQ(falta.codigo, 1);
    EXPECT_THAT(falta.error, HasSubstr("Nada.cfp"));
    EXPECT_THAT(EjecutaCli({"check"}).codigo, 2);
}

}  // namespace
}  // namespace velqor::prueba
