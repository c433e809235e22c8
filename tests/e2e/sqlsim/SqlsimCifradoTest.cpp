// sqlsim's encryption as FreeTDS's own clients see it: what the PRELOGIN answers for each stance
// of the server and each setting of the client, a TLS handshake carried inside PRELOGIN packets,
// a session encrypted whole or only at login, and the refusals.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "AutoridadPrueba.h"
#include "CarpetaTemporal.h"
#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

struct Caso {
    const char* nombre;
    const char* postura;     // the scenario's "encryption"
    const char* encryption;  // the ODBC Encryption value, or nullptr for tsql with its defaults
    bool conecta;
    int marca;    // the ENCRYPTION byte FreeTDS reads in the PRELOGIN answer
    bool saludo;  // a TLS handshake took place
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

class SqlsimCifradoTest : public ::testing::TestWithParam<Caso> {
  protected:
    SqlsimCifradoTest() {
        autoridad.EmiteServidor({"127.0.0.1"}, carpeta.En("s.pem"), carpeta.En("s.key"));
    }
    CarpetaTemporal carpeta;
    AutoridadPrueba autoridad;
};

TEST_P(SqlsimCifradoTest, FreeTdsClientsNegotiateAsWithSqlServer) {
    const Caso& c = GetParam();
    nlohmann::json escenario = EscenarioPrueba();
    escenario["encryption"] = c.postura;
    escenario["certificate"] = carpeta.En("s.pem");
    escenario["privateKey"] = carpeta.En("s.key");
    SqlsimProceso sim(escenario.dump());
    const std::string volcado = carpeta.En("tds.dump");
    ::setenv("TDSDUMP", volcado.c_str(), 1);
    const std::string salida =
        c.encryption == nullptr
            ? Tsql(sim.Puerto(), kUsuario, kClave, "Ventas", {"SELECT @@SERVERNAME AS s"})
            : Isql(sim.CadenaConexion("Ventas", kUsuario, kClave) + ";Encryption=" + c.encryption,
                   {"SELECT @@SERVERNAME AS s"});
    ::unsetenv("TDSDUMP");
    const std::string traza = LeeBytes(volcado);
    EXPECT_EQ(Contiene(salida, "SQLSIM"), c.conecta) << salida;
    EXPECT_TRUE(Contiene(traza, "detected crypt flag " + std::to_string(c.marca))) << salida;
    EXPECT_EQ(Contiene(traza, "handshake succeeded"), c.saludo);
    EXPECT_EQ(sim.LineasDiario().size(), c.conecta ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Posturas, SqlsimCifradoTest,
    ::testing::Values(
        // The server has no certificate: it answers NOT_SUP (2) whatever the client asks.
        Caso{"OffWithTsql", "off", nullptr, true, 2, false},
        Caso{"OffRefusesAClientThatRequiresIt", "off", "require", false, 2, false},
        // Offered: a client that supports encryption (OFF) gets the login encrypted only.
        Caso{"OnEncryptsTheLoginOfTsql", "on", nullptr, true, 0, true},
        Caso{"OnEncryptsAllForAClientThatAsks", "on", "require", true, 1, true},
        Caso{"OnLeavesAClientWithoutEncryptionInClear", "on", "off", true, 2, false},
        // Forced: everything is encrypted (REQ, 3); a client without encryption is cut off.
        Caso{"RequiredEncryptsAllOfTsql", "required", nullptr, true, 3, true},
        Caso{"RequiredCutsOffAClientWithoutEncryption", "required", "off", false, 3, false}),
    [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

TEST(SqlsimArranqueCifrado, EncryptionWithoutACertificateIsRefused) {
    const std::string salida =
        EjecutaComando(RutaSqlsim() + " --scenario /dev/stdin", R"({"encryption": "required"})");
    EXPECT_TRUE(Contiene(salida, "\"certificate\" and \"privateKey\"")) << salida;
    EXPECT_FALSE(Contiene(salida, "listening")) << salida;
}

}  // namespace
}  // namespace velqor::prueba
