// The ODBC connection against sqlsim through unixODBC and FreeTDS: result sets and value kinds,
// the server's refusals with every diagnostic in order, a dropped link, the wait hook, text
// beyond ASCII in both directions, and results read forward row by row.

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
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


// Reading forward (Recorre): the columns asked for, block after block, with the same values as a
// record set gives, and the connection's contracts kept while rows are handed over.
class RecorridoSqlsim : public ConexionSqlsim {
protected:
    // Every row Recorre hands over, as the values of the columns asked for.
    std::vector<std::vector<Valor>> Recorre(const std::string& sentencia,
                                            const std::vector<std::string>& columnas,
                                            bool esperado = true) {
        std::vector<std::vector<Valor>> filas;
        const bool hubo = conexion_->Recorre(sentencia, columnas, [&](const FilaLeida& f) {
            filas.emplace_back();
            for (std::size_t c = 0; c < columnas.size(); ++c) filas.back().push_back(f.Campo(c));
        });
        EXPECT_EQ(hubo, esperado) << sentencia;
        return filas;
    }
};

TEST_F(RecorridoSqlsim, LasColumnasPedidasValenLoQueDaElRecordset) {
    for (const auto& [base, sentencia] : std::vector<std::pair<std::string, std::string>>{
             {"Grande", "DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES"},  // 1,200 rows, 3 blocks
             {"Ventas", "DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES"},  // text beyond ASCII
             {"Ventas", "SELECT * FROM UsuariosPW"}}) {
        conexion_ = NuevaConexionOdbc();
        Abre(base);
        const std::vector<std::string> columnas = sentencia.starts_with("DBCC")
            ? std::vector<std::string>{"ScanDensity", "objectname", "IndexId", "ObjectName"}
            : std::vector<std::string>{"Usuario_cd", "Usuario_ID"};
        const auto filas = Recorre(sentencia, columnas);
        auto r = conexion_->Execute(sentencia);
        ASSERT_NE(r, nullptr);
        std::size_t n = 0;
        for (; !r->EOF(); r->MoveNext(), ++n) {
            ASSERT_LT(n, filas.size()) << sentencia;
            for (std::size_t c = 0; c < columnas.size(); ++c)
                ASSERT_EQ(filas[n][c], r->Field(columnas[c])) << sentencia << " row " << n;
        }
        EXPECT_EQ(n, filas.size()) << sentencia;
        EXPECT_GT(n, 0u) << sentencia;
        if (base == "Grande") {
            EXPECT_EQ(n, 1200u);
        }
    }
}

TEST_F(RecorridoSqlsim, NulosNumerosYTextosLargos) {
    Abre();
    // A name as long as a sysname can be, of characters taking two UTF-16 units each, and more.
    std::string largo;
    for (int i = 0; i < 150; ++i) largo += "\xF0\x9F\x98\x80";  // U+1F600
    largo += "\xC3\xA9";
    int filas = 0;
    EXPECT_TRUE(conexion_->Recorre(
        "SELECT 12 AS Numero, NULL AS Nada, N'" + largo + "' AS Letra",
        {"Letra", "Nada", "Numero"}, [&](const FilaLeida& f) {
            ++filas;
            EXPECT_EQ(f.Texto(0), largo);
            EXPECT_EQ(f.Campo(0), Valor::Texto(largo));
            EXPECT_EQ(f.Numero(0), std::nullopt);
            EXPECT_TRUE(f.Campo(1).EsNulo());
            EXPECT_EQ(f.Numero(1), std::nullopt);
            try {
                f.Texto(1);
                ADD_FAILURE() << "a Null was read as text";
            } catch (const ErrorEjecucion& e) {
                EXPECT_EQ(e.Numero(), 13);
            }
            EXPECT_EQ(f.Numero(2), 12.0);
            EXPECT_EQ(f.Texto(2), "12");
            EXPECT_EQ(f.Campo(2), Valor::Largo(12));
        }));
    EXPECT_EQ(filas, 1);
}

TEST_F(RecorridoSqlsim, UnaColumnaQueFaltaFallaAlLeerlaYLaConexionSigue) {
    Abre();
    int filas = 0;
    try {
        conexion_->Recorre("SELECT 1 AS n", {"n", "otra"}, [&](const FilaLeida& f) {
            ++filas;
            EXPECT_EQ(f.Campo(0), Valor::Largo(1));
            f.Campo(1);
        });
        FAIL() << "a missing column was read";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kCampoInexistente);
    }
    EXPECT_EQ(filas, 1);
    // A result without rows never reads the column, so nothing fails.
    EXPECT_TRUE(Recorre("SELECT name FROM sys.database_files WHERE name = 'nada'", {"otra"}).empty());
    const auto siguiente = Recorre("SELECT 5 AS n", {"n"});
    ASSERT_EQ(siguiente.size(), 1u);
    EXPECT_EQ(siguiente[0][0], Valor::Largo(5));
}

TEST_F(RecorridoSqlsim, SinResultadoNoEntregaFilas) {
    Abre();
    EXPECT_TRUE(Recorre("EXEC sp_updatestats", {"n"}, false).empty());
    const auto r = Recorre(
        "EXEC sp_updatestats\nSELECT name FROM sys.database_files WHERE UPPER(name) LIKE '%LOG%'",
        {"name"});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0], Valor::Texto("Ventas_log"));
}

TEST_F(RecorridoSqlsim, ElLectorQueFallaDejaLaConexionLista) {
    Abre("Grande");
    int filas = 0;
    EXPECT_THROW(conexion_->Recorre("DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES", {"IndexId"},
                                    [&](const FilaLeida&) {
                                        if (++filas == 600) throw std::runtime_error("stop");
                                    }),
                 std::runtime_error);
    EXPECT_EQ(filas, 600);
    EXPECT_TRUE(conexion_->IsOpen());
    // The rest of the survey was dropped: the next statement gets its own answer.
    auto r = conexion_->Execute("SELECT 5 AS n");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Field("n"), Valor::Largo(5));
}

TEST_F(RecorridoSqlsim, UnRechazoTrasElPrimerResultadoFallaLaLlamada) {
    Abre();
    int filas = 0;
    try {
        conexion_->Recorre("SELECT 1 AS n\nBACKUP LOG Simple TO DISK='/tmp/x.dat'\nSELECT 2 AS m",
                           {"n"}, [&](const FilaLeida&) { ++filas; });
        FAIL() << "a refused statement went unnoticed";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kErrorProveedor);
    }
    EXPECT_EQ(filas, 1);
    EXPECT_EQ(NumerosNativos(), (std::vector<int32_t>{4208, 3013}));
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

TEST_F(RecorridoSqlsim, ConexionCortadaCierraLaConexion) {
    Abre();
    try {
        conexion_->Recorre("SELECT 'corta' AS x", {"x"}, [](const FilaLeida&) {});
        FAIL() << "a lost connection went unnoticed";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kFalloGeneral);
    }
    ASSERT_FALSE(conexion_->Errors().empty());
    EXPECT_EQ(conexion_->Errors().front().SqlState, "08S01");
    EXPECT_FALSE(conexion_->IsOpen());
    try {
        conexion_->Recorre("SELECT 1 AS n", {"n"}, [](const FilaLeida&) {});
        FAIL() << "a statement ran on a lost connection";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kObjetoCerrado);
    }
}

TEST_F(RecorridoSqlsim, LasFilasLleganEnElHiloLlamadorYElGanchoPuedeCancelar) {
    Abre("Grande");
    const auto propio = std::this_thread::get_id();
    bool siempreEsteHilo = true;
    int filas = 0;
    conexion_->SetWaitHook([] {});
    EXPECT_TRUE(conexion_->Recorre("DBCC SHOWCONTIG WITH TABLERESULTS, ALL_INDEXES", {"IndexId"},
                                   [&](const FilaLeida&) {
                                       ++filas;
                                       siempreEsteHilo =
                                           siempreEsteHilo && std::this_thread::get_id() == propio;
                                   }));
    EXPECT_EQ(filas, 1200);
    EXPECT_TRUE(siempreEsteHilo);

    int llamadas = 0;
    conexion_->SetWaitHook([&] {
        if (++llamadas == 3) throw std::runtime_error("window closing");
    });
    EXPECT_THROW(conexion_->Recorre("SELECT 'cuelga' AS x", {"x"}, [](const FilaLeida&) {}),
                 std::runtime_error);
    conexion_->SetWaitHook(nullptr);
    EXPECT_TRUE(conexion_->IsOpen());
    EXPECT_EQ(Recorre("SELECT 5 AS n", {"n"}).at(0).at(0), Valor::Largo(5));
}

TEST_F(RecorridoSqlsim, UnLectorQueReentraEsRechazado) {
    Abre();
    try {
        conexion_->Recorre("SELECT 1 AS n", {"n"},
                           [&](const FilaLeida&) { conexion_->Execute("SELECT 2 AS m"); });
        FAIL() << "a statement ran while a result was being read";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), ado::kOperacionEnCurso);
    }
    EXPECT_NE(conexion_->Execute("SELECT 1 AS n"), nullptr);
}

}  // namespace
}  // namespace velqor::db
