// What a maintenance policy meets on the simulated server: index statements whose time grows with
// the index's pages, on-line rebuilds only where the edition offers them, locks other sessions
// hold and SET LOCK_TIMEOUT, generated databases with realistic pages and fragmentation, and the
// host the server runs on.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CarpetaTemporal.h"
#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

using Reloj = std::chrono::steady_clock;

const std::string kError = "[FreeTDS][SQL Server]";
const std::string kFragmentacionPk =
    "SELECT avg_fragmentation_in_percent AS f FROM sys.dm_db_index_physical_stats(DB_ID(), "
    "OBJECT_ID('Clientes'), 1, NULL, 'LIMITED')";
const std::string k1712 =
    "Online index operations can only be performed in Enterprise edition of SQL Server.";
const std::string k1222 = "Lock request time out period exceeded.";

size_t Cuenta(const std::string& texto, const std::string& parte) {
    size_t n = 0;
    for (size_t i = texto.find(parte); i != std::string::npos; i = texto.find(parte, i + 1)) ++n;
    return n;
}

long long Milisegundos(Reloj::time_point desde) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Reloj::now() - desde).count();
}

TEST(SqlsimEnLinea, OnlineRebuildOnlyWhereTheEditionOffersIt) {
    const std::vector<std::pair<int, bool>> casos = {
        {2, false}, {3, true}, {4, false}, {5, true}, {8, true}};
    for (const auto& [edicion, acepta] : casos) {
        SCOPED_TRACE(edicion);
        auto escenario = EscenarioPrueba();
        escenario["engineEdition"] = edicion;
        SqlsimProceso s(escenario.dump());
        const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
        const std::string salida = Isql(
            cadena, {"ALTER INDEX PK_Clientes ON Clientes REBUILD WITH (ONLINE = ON, MAXDOP = 1)",
                     kFragmentacionPk});
        EXPECT_EQ(Contiene(salida, kError + k1712), !acepta) << salida;
        // Rebuilt: no fragmentation left; refused: the index as it was (density 42.5).
        EXPECT_TRUE(Contiene(salida, acepta ? "| 0 " : "| 57.5 ")) << salida;
        // Off line every edition rebuilds.
        const std::string apagado =
            Isql(cadena, {"ALTER INDEX PK_Clientes ON Clientes REBUILD WITH (ONLINE = OFF)",
                          "ALTER INDEX ALL ON Clientes REBUILD", kFragmentacionPk});
        EXPECT_FALSE(Contiene(apagado, "ERROR")) << apagado;
        EXPECT_TRUE(Contiene(apagado, "| 0 ")) << apagado;
    }
}

TEST(SqlsimTiempos, IndexStatementsTakeLongerTheMorePagesTheIndexHas) {
    auto escenario = EscenarioPrueba();
    escenario["durations"] = {{"alterindex", 100}, {"dbreindex", 100}, {"indexdefrag", 100}};
    escenario["msPer1000Pages"] = {{"alterindex", 500}, {"dbreindex", 500}, {"indexdefrag", 500}};
    SqlsimProceso s(escenario.dump());
    const std::string cadena = s.CadenaConexion("Ventas", kUsuario, kClave);
    // PK_Clientes has 800 pages: 100 ms + 800 * 500 / 1000 ms each.
    for (const std::string sentencia : {"ALTER INDEX PK_Clientes ON Clientes REORGANIZE",
                                        "DBCC DBREINDEX ('Clientes', PK_Clientes)",
                                        "DBCC INDEXDEFRAG (0, 'Clientes', PK_Clientes)"}) {
        const auto inicio = Reloj::now();
        const std::string salida = Isql(cadena, {sentencia});
        EXPECT_FALSE(Contiene(salida, "ERROR")) << salida;
        EXPECT_GE(Milisegundos(inicio), 500) << sentencia;
    }
}

// Clientes.PK_Clientes is held by another session: for the whole run, or for `ms`.
nlohmann::json EscenarioBloqueado(int ms = -1) {
    auto escenario = EscenarioPrueba();
    nlohmann::json bloqueo = {
        {"database", "Ventas"}, {"table", "dbo.Clientes"}, {"index", "PK_Clientes"}};
    if (ms >= 0) bloqueo["ms"] = ms;
    escenario["locks"] = nlohmann::json::array({bloqueo});
    return escenario;
}

TEST(SqlsimBloqueos, WithALockTimeoutALockedIndexFailsWith1222AndOthersAreTreated) {
    SqlsimProceso s(EscenarioBloqueado().dump());
    const auto inicio = Reloj::now();
    const std::string salida =
        Tsql(s.Puerto(), kUsuario, kClave, "Ventas",
             {"SET LOCK_TIMEOUT 300", "DBCC DBREINDEX ('Clientes', 'PK_Clientes')",
              "DBCC INDEXDEFRAG (Ventas, 'Clientes', 'PK_Clientes')",
              "ALTER INDEX PK_Clientes ON Clientes REBUILD WITH (ONLINE = ON)",
              "ALTER INDEX ALL ON Clientes REORGANIZE", "SET LOCK_TIMEOUT 0",
              "ALTER INDEX PK_Clientes ON Clientes REBUILD",
              "ALTER INDEX [IX Nombre]]x] ON Clientes REBUILD",
              "DBCC DBREINDEX ('O''Brien', IX_OBrien)", kFragmentacionPk});
    EXPECT_EQ(Cuenta(salida, "Msg 1222 (severity 16"), 5u) << salida;
    EXPECT_EQ(Cuenta(salida, k1222), 5u) << salida;
    EXPECT_EQ(Cuenta(salida, "(severity 16"), 5u) << salida;
    // Four waits of 300 ms before giving up; none with a timeout of 0.
    EXPECT_GE(Milisegundos(inicio), 1200);
    EXPECT_TRUE(Contiene(salida, "\n57.5\n")) << salida;
}

TEST(SqlsimBloqueos, WithoutALockTimeoutTheStatementWaitsUntilTheLockIsReleased) {
    const auto inicio = Reloj::now();
    SqlsimProceso s(EscenarioBloqueado(800).dump());
    const std::string salida = Isql(
        s.CadenaConexion("Ventas", kUsuario, kClave),
        {"SET LOCK_TIMEOUT -1", "ALTER INDEX PK_Clientes ON Clientes REBUILD", kFragmentacionPk});
    EXPECT_FALSE(Contiene(salida, "ERROR")) << salida;
    EXPECT_TRUE(Contiene(salida, "| 0 ")) << salida;
    EXPECT_GE(Milisegundos(inicio), 800);
}

// The rows of one tsql result: tab-separated fields, from the line after the header up to
// "(N rows affected)".
std::vector<std::vector<std::string>> Filas(const std::string& salida,
                                            const std::string& cabecera) {
    std::vector<std::vector<std::string>> filas;
    std::istringstream lineas(salida.substr(salida.find(cabecera)));
    std::string linea;
    std::getline(lineas, linea);
    while (std::getline(lineas, linea) && !Contiene(linea, "rows affected")) {
        std::vector<std::string> campos;
        std::istringstream c(linea);
        for (std::string campo; std::getline(c, campo, '\t');) campos.push_back(campo);
        filas.push_back(std::move(campos));
    }
    return filas;
}

std::string BaseGenerada() {
    return nlohmann::json::parse(R"({
      "logins": [{"user": "sa", "password": "Clave;1"}],
      "databases": [{"name": "Grande", "generate": {"tables": 500, "indexesPerTable": 4,
        "pages": {"min": 8, "max": 1000000}, "fragmentation": {"median": 5, "max": 80},
        "seed": 11}}]
    })")
        .dump();
}

TEST(SqlsimGenerado, PagesSpreadLogUniformlyAndMostIndexesAreNearlyWhole) {
    SqlsimProceso s(BaseGenerada());
    const std::vector<std::string> consultas = {
        "SELECT object_id, index_id, page_count, avg_fragmentation_in_percent FROM "
        "sys.dm_db_index_physical_stats(DB_ID(), NULL, NULL, NULL, 'LIMITED')",
        "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS"};
    const std::string salida = Tsql(s.Puerto(), kUsuario, kClave, "Grande", consultas);
    const auto dmv = Filas(salida, "avg_fragmentation_in_percent");
    const auto contig = Filas(salida, "ExtentFragmentation");
    ASSERT_EQ(dmv.size(), 2000u) << salida.substr(0, 2000);
    ASSERT_EQ(contig.size(), 2000u);

    std::map<std::pair<std::string, std::string>, std::string> paginasContig;
    for (const auto& f : contig) paginasContig[{f.at(1), f.at(3)}] = f.at(5);
    std::vector<double> fragmentacion;
    int bajoMil = 0, pequenos = 0, grandes = 0;
    for (const auto& f : dmv) {
        const long paginas = std::stol(f.at(2));
        EXPECT_EQ(paginasContig[std::make_pair(f.at(0), f.at(1))], f.at(2));
        EXPECT_GE(paginas, 8);
        EXPECT_LE(paginas, 1'000'000);
        bajoMil += paginas < 1000;
        pequenos += paginas < 100;
        grandes += paginas > 100'000;
        fragmentacion.push_back(std::stod(f.at(3)));
    }
    // log(1000/8) / log(1000000/8) = 0.41 of the indexes have under 1000 pages.
    EXPECT_NEAR(bajoMil / 2000.0, 0.41, 0.04);
    EXPECT_GT(pequenos, 300);
    EXPECT_GT(grandes, 300);
    std::sort(fragmentacion.begin(), fragmentacion.end());
    EXPECT_NEAR(fragmentacion[1000], 5.0, 0.6);
    EXPECT_LE(fragmentacion.back(), 80.0);
    // Over 30 %: 2^-6 of an exponential of median 5.
    const auto fuertes = std::count_if(fragmentacion.begin(), fragmentacion.end(),
                                       [](double x) { return x >= 30.0; });
    EXPECT_NEAR(fuertes / 2000.0, 1.0 / 64, 0.01);

    // The same seed describes the same database on every run.
    SqlsimProceso otra(BaseGenerada());
    EXPECT_EQ(Tsql(otra.Puerto(), kUsuario, kClave, "Grande", consultas), salida);
}

TEST(SqlsimAnfitrion, HostInfoFromSqlServer2017OnAndTheDataFolderOfItsPlatform) {
    struct Caso {
        nlohmann::json campos;
        std::string fila;  // the view's row, or the error
        std::string carpeta;
    };
    const std::vector<Caso> casos = {
        {nlohmann::json::object(), "Windows\tWindows Server 2019 Standard\t10.0\t\t7\t1033",
         "C:\\SQLData\\Ventas.mdf"},
        {{{"hostPlatform", "Linux"}},
         "Linux\tUbuntu\t22.04\t\tNULL\t1033",
         "/var/opt/mssql/data/Ventas.mdf"},
        {{{"hostPlatform", "Linux"},
          {"hostDistribution", "Red Hat Enterprise Linux"},
          {"hostRelease", "9"},
          {"version", 14}},
         "Linux\tRed Hat Enterprise Linux\t9\t\tNULL\t1033",
         "/var/opt/mssql/data/Ventas.mdf"},
        {{{"version", 13}},
         "Msg 208 (severity 16, state 1) from SQLSIM Line 1:\n\t\"Invalid object name "
         "'sys.dm_os_host_info'.\"",
         "C:\\SQLData\\Ventas.mdf"},
        {{{"engineEdition", 5}},
         "Msg 208 (severity 16, state 1) from SQLSIM Line 1:\n\t\"Invalid object name "
         "'sys.dm_os_host_info'.\"",
         "C:\\SQLData\\Ventas.mdf"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.campos.dump());
        auto escenario = EscenarioPrueba();
        escenario.update(c.campos);
        SqlsimProceso s(escenario.dump());
        const std::string salida =
            Tsql(s.Puerto(), kUsuario, kClave, "Ventas",
                 {"SELECT * FROM sys.dm_os_host_info",
                  "SELECT physical_name FROM sys.database_files WHERE file_id = 1"});
        EXPECT_TRUE(Contiene(salida, c.fila)) << salida;
        EXPECT_TRUE(Contiene(salida, "\n" + c.carpeta + "\n")) << salida;
    }
}

TEST(SqlsimAnfitrion, ALinuxServerBacksUpToAPathWithSlashes) {
    auto escenario = EscenarioPrueba();
    escenario["hostPlatform"] = "Linux";
    SqlsimProceso s(escenario.dump());
    CarpetaTemporal carpeta;
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
             {"BACKUP DATABASE [Ventas] TO DISK='" + carpeta.Texto() + "/Ventas_Backup_1.dat'",
              "BACKUP LOG [Ventas] TO DISK='" + carpeta.Texto() + "/Ventas_BackupLog_1.dat'"});
    EXPECT_FALSE(Contiene(salida, "ERROR")) << salida;
    EXPECT_TRUE(std::filesystem::exists(carpeta.En("Ventas_Backup_1.dat")));
    EXPECT_TRUE(std::filesystem::exists(carpeta.En("Ventas_BackupLog_1.dat")));
}

TEST(SqlsimArranque, PolicyFieldsOfABrokenScenarioAreNamed) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {R"({"msPer1000Pages": {"rebuild": 5}})", "msPer1000Pages.rebuild"},
        {R"({"msPer1000Pages": {"dbreindex": -5}})", "msPer1000Pages.dbreindex"},
        {R"({"databases": [{"name": "V"}], "locks": [{"database": "W", "table": "T"}]})",
         "locks[0].database"},
        {R"({"databases": [{"name": "V", "tables": [{"name": "T"}]}],
             "locks": [{"database": "V", "table": "T", "index": "IX"}]})",
         "locks[0].index"},
        {R"({"databases": [{"name": "V"}], "locks": [{"database": "V", "table": "U"}]})",
         "locks[0].table"},
        {R"({"hostPlatform": "MacOS"})", "hostPlatform"},
        {R"({"databases": [{"name": "V", "generate": {"pages": {"min": 10, "max": 5}}}]})",
         "databases.V.generate.pages"},
        {R"({"databases": [{"name": "V", "generate": {"pages": 0}}]})",
         "databases.V.generate.pages"},
        {R"({"databases": [{"name": "V", "generate": {"fragmentation": {"median": 0}}}]})",
         "databases.V.generate.fragmentation"},
        {R"({"databases": [{"name": "V", "generate": {"density": 50, "fragmentation": {}}}]})",
         "databases.V.generate"},
    };
    for (const auto& [escenario, campo] : casos) {
        const std::string salida = EjecutaComando(
            "(" + RutaSqlsim() + " --scenario /dev/stdin; echo status=$?)", escenario);
        EXPECT_TRUE(Contiene(salida, "scenario: " + campo + ":")) << salida;
        EXPECT_TRUE(Contiene(salida, "status=1")) << salida;
    }
}

}  // namespace
}  // namespace velqor::prueba
