// Connection failures that need no server: an unknown driver, a closed port, a server that
// never answers the login, and calls on a connection that is not open.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "PuertoLocal.h"
#include "db/OdbcConnection.h"

namespace velqor::db {
namespace {

using namespace std::chrono_literals;

std::string CadenaFreeTds(uint16_t puerto) {
    return "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(puerto) +
           ";Database=master;TDS_Version=7.4;ClientCharset=UTF-8";
}

// Opens and expects a failure; answers the error raised.
ErrorEjecucion FalloAlAbrir(Connection& conexion, const std::string& cadena) {
    try {
        conexion.Open(cadena, "sa", "secreto");
    } catch (const ErrorEjecucion& e) {
        return e;
    }
    ADD_FAILURE() << "Open succeeded on " << cadena;
    return ErrorEjecucion(0, "");
}

void EsperaErroresCoherentes(const Connection& conexion, const ErrorEjecucion& e) {
    EXPECT_EQ(e.Numero(), errores::kFalloGeneral);
    ASSERT_FALSE(conexion.Errors().empty());
    EXPECT_EQ(e.Descripcion(), conexion.Errors().front().Description);
    EXPECT_FALSE(conexion.IsOpen());
}

TEST(ConexionSinServidor, ControladorDesconocido) {
    auto conexion = NuevaConexionOdbc();
    const ErrorEjecucion e = FalloAlAbrir(*conexion, "Driver=NoSuchDriver;Server=127.0.0.1");
    EsperaErroresCoherentes(*conexion, e);
    EXPECT_NE(e.Descripcion().find("NoSuchDriver"), std::string::npos) << e.Descripcion();
}

TEST(ConexionSinServidor, PuertoCerrado) {
    auto conexion = NuevaConexionOdbc();
    conexion->SetConnectionTimeout(5);
    const ErrorEjecucion e = FalloAlAbrir(*conexion, CadenaFreeTds(prueba::PuertoLibre()));
    EsperaErroresCoherentes(*conexion, e);
    EXPECT_EQ(conexion->Errors().front().SqlState.substr(0, 2), "08");
}

TEST(ConexionSinServidor, LoginSinRespuestaSeAbandonaAlVencerElPlazo) {
    prueba::OyenteMudo mudo;
    auto conexion = NuevaConexionOdbc();
    conexion->SetConnectionTimeout(1);
    const auto inicio = std::chrono::steady_clock::now();
    const ErrorEjecucion e = FalloAlAbrir(*conexion, CadenaFreeTds(mudo.Puerto()));
    const auto transcurrido = std::chrono::steady_clock::now() - inicio;
    EsperaErroresCoherentes(*conexion, e);
    EXPECT_EQ(conexion->Errors().front().SqlState, "HYT00");
    // Far below the 15 s default, so the configured time-out was the one applied.
    EXPECT_LT(transcurrido, 10s);
}

TEST(ConexionSinServidor, ElGanchoCorreEnElHiloLlamadorDuranteElLogin) {
    prueba::OyenteMudo mudo;
    auto conexion = NuevaConexionOdbc();
    conexion->SetConnectionTimeout(1);
    int llamadas = 0;
    bool siempreEsteHilo = true;
    const auto propio = std::this_thread::get_id();
    conexion->SetWaitHook([&] {
        ++llamadas;
        siempreEsteHilo = siempreEsteHilo && std::this_thread::get_id() == propio;
    });
    FalloAlAbrir(*conexion, CadenaFreeTds(mudo.Puerto()));
    EXPECT_GE(llamadas, 5);  // a one-second login polled every 50 ms
    EXPECT_TRUE(siempreEsteHilo);
}

TEST(ConexionSinServidor, GanchoQueFallaDuranteElLoginNoDejaNadaAbierto) {
    prueba::OyenteMudo mudo;
    auto conexion = NuevaConexionOdbc();
    conexion->SetConnectionTimeout(1);
    conexion->SetWaitHook([] { throw std::runtime_error("window closed"); });
    EXPECT_THROW(conexion->Open(CadenaFreeTds(mudo.Puerto()), "", ""), std::runtime_error);
    EXPECT_FALSE(conexion->IsOpen());
    conexion->SetWaitHook(nullptr);
    EXPECT_THROW(conexion->Open(CadenaFreeTds(mudo.Puerto()), "", ""), ErrorEjecucion);
}

TEST(ConexionSinServidor, ConexionNoAbiertaRechazaSentenciasYSeCierraSinError) {
    auto conexion = NuevaConexionOdbc();
    try {
        conexion->Execute("SELECT 1");
        FAIL() << "Execute on a closed connection succeeded";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kObjetoCerrado);
        EXPECT_EQ(e.Descripcion(), "Operation is not allowed when the object is closed.");
    }
    conexion->Close();
    conexion->Close();
    EXPECT_FALSE(conexion->IsOpen());
}

TEST(ConexionSinServidor, PlazoNegativoSeRechaza) {
    auto conexion = NuevaConexionOdbc();
    EXPECT_THROW(conexion->SetCommandTimeout(-1), ErrorEjecucion);
    EXPECT_THROW(conexion->SetConnectionTimeout(-1), ErrorEjecucion);
}

}  // namespace
}  // namespace velqor::db
