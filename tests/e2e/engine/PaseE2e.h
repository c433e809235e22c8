#pragma once
// The fixture of the engine's end-to-end passes: sqlsim started from a scenario the test shapes,
// an engine bound to a definition of it, the report, the journal and the backup files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>

#include "CarpetaTemporal.h"
#include "SqlsimProceso.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "engine/Velqor.h"

namespace velqor::prueba {

using nlohmann::json;

inline constexpr const char* kLogin = "sa";
inline constexpr const char* kClaveLogin = "Clave.2024";

class PaseE2eTest : public ::testing::Test {
  protected:
    PaseE2eTest() {
        InstalaCuadroMensaje(
            [this](const std::string& texto, const std::string&) { cuadros.push_back(texto); });
        FijaDesatendido(false);
        FijaArchivoLog(carpeta.En("velqor.log"));
        FijaInicioProceso(RelojSistema::Instancia().Ahora());
        std::filesystem::create_directory(respaldos);
        escenario = {
            {"version", 15},
            {"logins", json::array({{{"user", kLogin}, {"password", kClaveLogin}}})},
            {"defaultDatabase", "Ventas"},
            {"databases", json::array({Base("Ventas", "Clientes", "PK_Clientes")})},
        };
    }
    ~PaseE2eTest() override {
        motor.reset();
        InstalaCuadroMensaje({});
    }

    // A FULL-recovery, backed-up database with one fragmented index and one dense one, and the
    // operator "operador" / "secreto".
    static json Base(const std::string& nombre, const std::string& tabla,
                     const std::string& indice) {
        return {
            {"name", nombre},
            {"recovery", "FULL"},
            {"backedUp", true},
            {"files",
             json::array(
                 {{{"name", nombre}, {"type", "data"}, {"sizeMB", 64}, {"usedMB", 40}},
                  {{"name", nombre + "_log"}, {"type", "log"}, {"sizeMB", 32}, {"usedMB", 2}}})},
            {"tables",
             json::array(
                 {{{"name", tabla},
                   {"indexes", json::array({{{"name", indice}, {"id", 1}, {"density", 42.5}},
                                            {{"name", "IX_Denso"}, {"id", 2}, {"density", 100}},
                                            {{"id", 0}, {"density", 10}}})}}})},
            {"UsuariosPW",
             json::array({{{"Usuario_ID", "operador"},
                           {"Usuario_PW", Codificador::Cifra(VersionPrograma::kEmpresa, "SECRETO")},
                           {"Usuario_cd", 2}}})}};
    }

    // Starts sqlsim and binds an engine to a definition of base on it. servidor may hold "{port}".
    void Arranca(const std::string& base = "Ventas",
                 const std::string& servidor = "127.0.0.1,{port}") {
        sim = std::make_unique<SqlsimProceso>(escenario.dump());
        std::string textoServidor = servidor;
        textoServidor.replace(textoServidor.find("{port}"), 6, std::to_string(sim->Puerto()));
        std::ofstream f(carpeta.En("Ventas.cfp"), std::ios::binary);
        f << "[Connection]\r\nName = Ventas de prueba\r\nKind = 2\r\nServer = " << textoServidor
          << "\r\nDatabase = " << base << "\r\nUser = " << kLogin
          << "\r\nPassword = " << Codificador::CifraClave(VersionPrograma::kEmpresa, kClaveLogin)
          << "\r\nLoginTimeout = 10\r\n"
          << definicionExtra;
        f.close();
        motor = std::make_unique<Velqor>();
        motor->AlProgresar([this](std::string& texto, bool&) { eventos.push_back(texto); });
        bool noEsSQL = false;
        ASSERT_TRUE(motor->Crear(carpeta.Texto(), "Ventas", carpeta.Texto(), noEsSQL));
    }
    bool Pasa(bool onLine = false, const std::string& usuario = "operador",
              const std::string& clave = "secreto") {
        return motor->MejorarRendimiento(onLine, respaldos, cancelar, usuario, clave, informe);
    }
    std::vector<std::string> Lineas() const {
        std::vector<std::string> lineas;
        for (size_t desde = 0, fin; (fin = informe.find("\r\n", desde)) != std::string::npos;
             desde = fin + 2) {
            lineas.push_back(informe.substr(desde, fin - desde));
        }
        return lineas;
    }
    // The journal with every 14-digit time stamp written as <stamp>.
    std::vector<std::string> Diario() const {
        std::vector<std::string> lineas;
        for (const auto& l : sim->LineasDiario()) {
            lineas.push_back(std::regex_replace(l, std::regex("_\\d{14}\\.dat"), "_<stamp>.dat"));
        }
        return lineas;
    }
    std::vector<std::string> ArchivosRespaldo() const {
        std::vector<std::string> nombres;
        for (const auto& e : std::filesystem::directory_iterator(respaldos))
            nombres.push_back(e.path().filename().string());
        std::sort(nombres.begin(), nombres.end());
        return nombres;
    }
    // Lines must match these patterns one by one.
    void Forma(const std::vector<std::string>& patrones) const {
        const auto lineas = Lineas();
        ASSERT_EQ(lineas.size(), patrones.size()) << informe;
        for (size_t i = 0; i < lineas.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lineas[i], std::regex(patrones[i])))
                << lineas[i] << " !~ " << patrones[i];
        }
    }

    CarpetaTemporal carpeta;
    std::string respaldos = carpeta.En("bak");
    json escenario;
    std::string definicionExtra;  // more "Key = value\r\n" lines for the definition
    std::unique_ptr<SqlsimProceso> sim;
    std::unique_ptr<Velqor> motor;
    std::vector<std::string> eventos;
    std::vector<std::string> cuadros;
    bool cancelar = false;
    std::string informe;
};

inline const char* const kDuracion = R"(\((<1 second|(\d+ (day|hour|minute|second)s? ?)+)\))";

// literal as a pattern, followed by a duration in parentheses unless conDuracion is false.
inline std::string P(const std::string& literal, bool conDuracion = true) {
    const std::string escapado =
        std::regex_replace(literal, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
    return conDuracion ? escapado + " " + kDuracion : escapado;
}

inline const char* const kPrimera = R"(Ventas \d\d-\d\d-\d{4} \d\d:\d\d:\d\d)";
inline const char* const kTiempo = R"(Time: (<1 second|(\d+ (Day|Hour|Minute|Second)s? ?)+))";

}  // namespace velqor::prueba
