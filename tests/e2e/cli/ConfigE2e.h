#pragma once
// The fixture of velqor-config's end-to-end tests: sqlsim started from a scenario the test shapes,
// a program folder with a definition "Ventas" of it written by write-cfp, and a launch
// configuration written by write-launch.

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "SqlsimProceso.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {

class ConfigE2e : public ::testing::Test {
  protected:
    using json = nlohmann::json;

    ConfigE2e() {
        escenario = {
            {"version", 15},
            {"logins", json::array({{{"user", "maint"}, {"password", "Clave.2024"}}})},
            {"databases",
             json::array(
                 {{{"name", "Ventas"},
                   {"recovery", "FULL"},
                   {"backedUp", true},
                   {"tables",
                    json::array(
                        {{{"name", "Clientes"},
                          {"indexes",
                           json::array({{{"name", "PK_Clientes"}, {"id", 1}, {"density", 42.5}},
                                        {{"name", "IX_Denso"}, {"id", 2}, {"density", 100}}})}},
                         {{"name", "Pedidos"},
                          {"schema", "Sales"},
                          {"indexes",
                           json::array({{{"name", "PK_Pedidos"}, {"id", 1}, {"density", 61}}})}}})},
                   {"UsuariosPW",
                    json::array(
                        {{{"Usuario_ID", "ana"},
                          {"Usuario_PW", Codificador::Cifra(VersionPrograma::kEmpresa, "SECRETO")},
                          {"Usuario_cd", 2}}})}}})}};
    }

    // Starts sqlsim and writes the definition (with these extra write-cfp options).
    void Arranca(std::vector<std::string> opcionesCfp = {}, const std::string& usuario = "maint",
                 const std::string& base = "Ventas") {
        sim = std::make_unique<SqlsimProceso>(escenario.dump());
        std::vector<std::string> argumentos{"write-cfp",
                                            programa.En("Ventas.cfp"),
                                            "--name",
                                            "Ventas",
                                            "--server",
                                            "127.0.0.1," + std::to_string(sim->Puerto()),
                                            "--database",
                                            base,
                                            "--user",
                                            usuario,
                                            "--password-stdin",
                                            "--login-timeout",
                                            "2",
                                            "--force"};
        argumentos.insert(argumentos.end(), opcionesCfp.begin(), opcionesCfp.end());
        const ResultadoCli r = EjecutaCli(argumentos, "Clave.2024\n");
        ASSERT_EQ(r.codigo, 0) << r.error;
    }

    // Writes noche.ZEVcos for the entry Ventas, off line unless told.
    std::string Lanzamiento(const std::string& clave = "secreto", bool enLinea = false) {
        const std::string ruta = programa.En("noche.ZEVcos");
        const ResultadoCli r = EjecutaCli(
            {"write-launch", ruta, "--database", "Ventas", "--report-folder", informes.Texto(),
             "--user", "ana", "--password-stdin", enLinea ? "--online" : "--offline",
             "--backup-folder", respaldos.Texto(), "--program-folder", programa.Texto(), "--force"},
            clave + "\n");
        EXPECT_EQ(r.codigo, 0) << r.error;
        return ruta;
    }

    json escenario;
    CarpetaTemporal programa, informes, respaldos;
    std::unique_ptr<SqlsimProceso> sim;
};

}  // namespace velqor::prueba
