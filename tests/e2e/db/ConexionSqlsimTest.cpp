// The ODBC connection against sqlsim through unixODBC and FreeTDS: result sets and value kinds,
// the server's refusals with every diagnostic in order, a dropped link, the wait hook, and text
// beyond ASCII in both directions.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ConexionGuionada.h"
#include "SqlsimProceso.h"
#include "db/ErroresAdo.h"
#include "db/OdbcConnection.h"

namespace velqor::db {
namespace {

using prueba::SqlsimProceso;

constexpr char kEscenario[] = R"({
  "version": 15,
  "logins": [{"user": "sa", "password": "Velqor.2024"},
             {"user": "op;er=a", "password": "p{w}d;x=1"}],
  "defaultDatabase": "Ventas",
  "durations": {"updatestats": 500},
  "databases": [
    {"name": "Ventas", "recovery": "FULL", "backedUp": true,
     "files": [{"name": "Ventas", "type": "data"}, {"name": "Ventas_log", "type": "log"}],
     "tables": [{"name": "Caf\u00e9", "indexes": [{"name": "PK_Caf\u00e9", "id": 1, "density": 42.5, "pages": 1200},
                                                  {"id": 0, "density": 35.0}]}],
     "UsuariosPW": [{"Usuario_ID": "Jos\u00e9 N\u00fa\u00f1ez \u65e5\u672c", "Usuario_PW": "X", "Usuario_cd": 7}]},
    {"name": "Simple", "recovery": "SIMPLE"},
    {"name": "Nueva", "recovery": "FULL", "backedUp": false},
    {"name": "Grande", "generate": {"tables": 400, "indexesPerTable": 3, "density": 50, "seed": 3}}
  ],
  "faults": [
    {"match": "SELECT 'corta'", "action": "drop"},
    {"match": "SELECT 'cuelga'", "action": "hang"}
  ]
})";

std::string Cadena(const SqlsimProceso& sim, const std::string& base = "Ventas") {
    return "Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(sim.Puerto()) +
           ";Database=" + base + ";TDS_Version=7.4";
}

class ConexionSqlsim : public ::testing::Test {
protected:
    SqlsimProceso sim_{kEscenario};
    std::unique_ptr<Connection> conexion_ = NuevaConexionOdbc();

    void Abre(const std::string& base = "Ventas") {
        conexion_->SetCommandTimeout(0);
        conexion_->SetConnectionTimeout(10);
        conexion_->Open(Cadena(sim_, base), "sa", "Velqor.2024");
    }

    // Runs a statement that must fail; answers the error raised.
    ErrorEjecucion Falla(const std::string& sentencia) {
        try {
            conexion_->Execute(sentencia);
        } catch (const ErrorEjecucion& e) {
            return e;
        }
        ADD_FAILURE() << "accepted: " << sentencia;
        return ErrorEjecucion(0, "");
    }

    std::vector<int32_t> NumerosNativos() const {
        std::vector<int32_t> numeros;
        for (const ErrorProveedor& e : conexion_->Errors()) numeros.push_back(e.NativeError);
        return numeros;
    }
};

TEST_F(ConexionSqlsim, ResultadoConSusTiposDeValor) {
    Abre();
    auto r = conexion_->Execute("DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES");
    ASSERT_NE(r, nullptr);
    ASSERT_FALSE(r->EOF());
    EXPECT_EQ(r->Field("objectname"), Valor::Texto("Caf\xC3\xA9"));
    EXPECT_EQ(r->Field("IndexName"), Valor::Texto("PK_Caf\xC3\xA9"));
    EXPECT_EQ(r->Field("IndexId"), Valor::Largo(1));
    EXPECT_EQ(r->Field("Pages"), Valor::Largo(1200));
    EXPECT_EQ(r->Field("SCANDENSITY"), Valor::Doble(42.5));
    r->MoveNext();
    ASSERT_FALSE(r->EOF());
    EXPECT_EQ(r->Field("IndexId"), Valor::Largo(0));
    r->MoveNext();
    EXPECT_TRUE(r->EOF());
    try {
        r->Field("ObjectName");
        FAIL() << "a field was read at EOF";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), ado::kSinRegistroActual);
    }

    auto s = conexion_->Execute("SELECT 12 AS Numero, NULL AS Nada, 'x' AS Letra");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Field("Numero"), Valor::Largo(12));
    EXPECT_TRUE(s->Field("Nada").EsNulo());
    try {
        s->Field("Otra");
        FAIL() << "an unknown field was read";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kCampoInexistente);
        EXPECT_EQ(e.Descripcion(),
                  "Item cannot be found in the collection corresponding to the requested name or "
                  "ordinal.");
    }
}

TEST_F(ConexionSqlsim, ResultadoGrandeLeidoEnBloquesCompletos) {
    Abre("Grande");
    auto r = conexion_->Execute("DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES");
    ASSERT_NE(r, nullptr);
    int filas = 0;
    for (; !r->EOF(); r->MoveNext(), ++filas) {
        const int tabla = filas / 3 + 1;
        char esperado[16];
        std::snprintf(esperado, sizeof esperado, "Tabla%05d", tabla);
        ASSERT_EQ(r->Field("ObjectName"), Valor::Texto(esperado)) << "row " << filas;
        ASSERT_EQ(r->Field("ScanDensity"), Valor::Doble(50)) << "row " << filas;
    }
    EXPECT_EQ(filas, 1200);
    // The connection is free for the next statement while the rows are still held.
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

struct Rechazo {
    std::string base;
    std::string sentencia;
    std::vector<int32_t> nativos;
};

class RechazosDelServidor : public ConexionSqlsim, public ::testing::WithParamInterface<Rechazo> {};

TEST_P(RechazosDelServidor, TodosLosDiagnosticosEnOrden) {
    Abre(GetParam().base);
    const ErrorEjecucion e = Falla(GetParam().sentencia);
    EXPECT_EQ(e.Numero(), errores::kErrorProveedor);
    EXPECT_EQ(NumerosNativos(), GetParam().nativos);
    ASSERT_FALSE(conexion_->Errors().empty());
    EXPECT_EQ(e.Descripcion(), conexion_->Errors().front().Description);
    EXPECT_NE(e.Descripcion().find("[SQL Server]"), std::string::npos) << e.Descripcion();
    // A refusal leaves the connection ready for the next statement.
    EXPECT_TRUE(conexion_->IsOpen());
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, RechazosDelServidor,
    ::testing::Values(Rechazo{"Simple", "BACKUP LOG Simple TO DISK='/tmp/x.dat'", {4208, 3013}},
                      Rechazo{"Nueva", "BACKUP LOG Nueva TO DISK='/tmp/x.dat'", {4214, 3013}},
                      Rechazo{"Ventas",
                              "BACKUP DATABASE Ventas TO DISK='/no/such/folder/Ventas.dat'",
                              {3201, 3013}},
                      Rechazo{"Ventas", "BACKUP LOG Ventas WITH TRUNCATE_ONLY", {155}}),
    [](const auto& info) { return "Caso" + std::to_string(info.index); });

TEST_F(ConexionSqlsim, ErrorTrasElPrimerResultadoFallaLaLlamada) {
    Abre();
    const ErrorEjecucion e =
        Falla("SELECT 1 AS n\nBACKUP LOG Simple TO DISK='/tmp/x.dat'\nSELECT 2 AS m");
    EXPECT_EQ(e.Numero(), errores::kErrorProveedor);
    EXPECT_EQ(NumerosNativos(), (std::vector<int32_t>{4208, 3013}));
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

TEST_F(ConexionSqlsim, ElResultadoSobreviveALaConexion) {
    Abre();
    auto r = conexion_->Execute("SELECT name FROM sys.database_files");
    conexion_.reset();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Field("name"), Valor::Texto("Ventas"));
    r->MoveNext();
    EXPECT_EQ(r->Field("name"), Valor::Texto("Ventas_log"));
}

TEST_F(ConexionSqlsim, LoginRechazado) {
    try {
        conexion_->Open(Cadena(sim_), "sa", "equivocada");
        FAIL() << "a wrong password was accepted";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), ado::kLoginRechazado);
        ASSERT_FALSE(conexion_->Errors().empty());
        EXPECT_EQ(conexion_->Errors().front().NativeError, 18456);
        EXPECT_NE(e.Descripcion().find("Login failed for user 'sa'."), std::string::npos);
    }
    EXPECT_FALSE(conexion_->IsOpen());
}

TEST_F(ConexionSqlsim, CredencialesConSeparadoresLleganIntactas) {
    conexion_->Open(Cadena(sim_), "op;er=a", "p{w}d;x=1");
    EXPECT_TRUE(conexion_->IsOpen());
}

TEST_F(ConexionSqlsim, ConexionCortadaDuranteUnaSentencia) {
    Abre();
    const ErrorEjecucion e = Falla("SELECT 'corta' AS x");
    EXPECT_EQ(e.Numero(), errores::kFalloGeneral);
    ASSERT_FALSE(conexion_->Errors().empty());
    EXPECT_EQ(conexion_->Errors().front().SqlState, "08S01");
    EXPECT_EQ(e.Descripcion(), conexion_->Errors().front().Description);
    EXPECT_FALSE(conexion_->IsOpen());
    try {
        conexion_->Execute("SELECT 1 AS n");
        FAIL() << "a statement ran on a lost connection";
    } catch (const ErrorEjecucion& siguiente) {
        EXPECT_EQ(siguiente.Numero(), errores::kObjetoCerrado);
    }
    conexion_->Close();
}

TEST_F(ConexionSqlsim, ServidorCaidoEntreSentencias) {
    Abre();
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
    sim_.Detiene();
    const ErrorEjecucion e = Falla("SELECT 1 AS n");
    EXPECT_EQ(e.Numero(), errores::kFalloGeneral);
    EXPECT_EQ(e.Descripcion(), conexion_->Errors().front().Description);
    EXPECT_FALSE(e.Descripcion().empty());
    EXPECT_FALSE(conexion_->IsOpen());
}

TEST_F(ConexionSqlsim, ResultadosSoloDeMensajesSeSaltan) {
    Abre();
    EXPECT_EQ(conexion_->Execute("EXEC sp_updatestats", -1), nullptr);
    auto r = conexion_->Execute(
        "EXEC sp_updatestats\nSELECT name FROM sys.database_files WHERE UPPER(name) LIKE '%LOG%'");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Field("name"), Valor::Texto("Ventas_log"));
}

TEST_F(ConexionSqlsim, ElGanchoCorreDuranteUnaSentenciaLenta) {
    Abre();
    int llamadas = 0;
    bool siempreEsteHilo = true;
    const auto propio = std::this_thread::get_id();
    conexion_->SetWaitHook([&] {
        ++llamadas;
        siempreEsteHilo = siempreEsteHilo && std::this_thread::get_id() == propio;
    });
    EXPECT_EQ(conexion_->Execute("EXEC sp_updatestats", -1), nullptr);  // 500 ms on the server
    EXPECT_GE(llamadas, 3);
    EXPECT_TRUE(siempreEsteHilo);
}

TEST_F(ConexionSqlsim, GanchoQueFallaCancelaLaSentenciaYLaConexionSigue) {
    Abre();
    int llamadas = 0;
    conexion_->SetWaitHook([&] {
        if (++llamadas == 3) throw std::runtime_error("window closing");
    });
    EXPECT_THROW(conexion_->Execute("SELECT 'cuelga' AS x"), std::runtime_error);
    conexion_->SetWaitHook(nullptr);
    EXPECT_TRUE(conexion_->IsOpen());
    auto r = conexion_->Execute("SELECT 5 AS n");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Field("n"), Valor::Largo(5));
}

TEST_F(ConexionSqlsim, GanchoQueReentraEsRechazado) {
    Abre();
    conexion_->SetWaitHook([&] { conexion_->Execute("SELECT 1 AS n"); });
    try {
        conexion_->Execute("EXEC sp_updatestats", -1);
        FAIL() << "a statement ran inside another";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), ado::kOperacionEnCurso);
    }
    conexion_->SetWaitHook(nullptr);
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

TEST_F(ConexionSqlsim, TiempoDeComandoAgotado) {
    Abre();
    conexion_->SetCommandTimeout(1);
    const ErrorEjecucion e = Falla("SELECT 'cuelga' AS x");
    EXPECT_EQ(e.Numero(), ado::kTiempoAgotado);
    ASSERT_FALSE(conexion_->Errors().empty());
    EXPECT_EQ(conexion_->Errors().front().SqlState, "HYT00");
    EXPECT_TRUE(conexion_->IsOpen());
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

TEST_F(ConexionSqlsim, TextoNoAsciiEnAmbosSentidos) {
    Abre();
    const std::string nombre =
        "Jos\xC3\xA9 N\xC3\xBA\xC3\xB1"
        "ez \xE6\x97\xA5\xE6\x9C\xAC";
    auto r = conexion_->Execute("SELECT * FROM UsuariosPW WHERE (Usuario_ID='" + nombre + "')");
    ASSERT_NE(r, nullptr);
    ASSERT_FALSE(r->EOF());
    EXPECT_EQ(r->Field("Usuario_ID"), Valor::Texto(nombre));
    EXPECT_EQ(r->Field("Usuario_cd"), Valor::Largo(7));
    const auto diario = sim_.LineasDiario();
    ASSERT_FALSE(diario.empty());
    EXPECT_NE(diario.back().find(nombre), std::string::npos) << diario.back();
}

// A failure that carries no provider record (a hook that gives up, a closed connection) leaves the
// diagnostics of the earlier refusal, here and in the scripted connection of the unit tests.
TEST_F(ConexionSqlsim, UnFalloSinRegistrosConservaLosDiagnosticosAnteriores) {
    Abre();
    Falla("SELEC mal");
    const std::vector<int32_t> antes = NumerosNativos();
    ASSERT_FALSE(antes.empty());
    conexion_->SetWaitHook([] { throw std::runtime_error("stop"); });
    EXPECT_THROW(conexion_->Execute("SELECT 'cuelga' AS x"), std::runtime_error);
    conexion_->SetWaitHook(nullptr);
    EXPECT_EQ(NumerosNativos(), antes);
    conexion_->Close();
    Falla("SELECT 1");
    EXPECT_EQ(NumerosNativos(), antes);

    prueba::Guion guion;
    guion.Cuando("SELEC", prueba::Respuesta::Rechazo({{antes.front(), "Incorrect syntax"}}));
    guion.Cuando("SELECT 2",
                 prueba::Respuesta::Falla(errores::kFalloGeneral, "Communication link failure"));
    const std::unique_ptr<Connection> guionada = guion.Fabrica()();
    guionada->Open("", "", "", -1);
    EXPECT_THROW(guionada->Execute("SELEC mal"), ErrorEjecucion);
    EXPECT_THROW(guionada->Execute("SELECT 2"), ErrorEjecucion);
    std::vector<int32_t> guionados;
    for (const ErrorProveedor& e : guionada->Errors()) guionados.push_back(e.NativeError);
    EXPECT_EQ(guionados, std::vector<int32_t>{antes.front()});
}

}  // namespace
}  // namespace velqor::db
