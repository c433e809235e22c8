// Passes against databases laid out as real ones are: log files that are not named "log" and data
// files that are, tables of one name in two schemas, names holding dots and brackets, and the cloud
// database service, which has no DBCC index commands and no backups to disk.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "PaseE2e.h"

namespace velqor::prueba {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

json Indice(const std::string& nombre, int id, double densidad) {
    return {{"name", nombre}, {"id", id}, {"density", densidad}};
}

json Tabla(const std::string& nombre, const std::string& esquema, json indices) {
    return {{"name", nombre}, {"schema", esquema}, {"indexes", std::move(indices)}};
}

std::vector<std::string> Con(const std::vector<std::string>& lineas, const std::string& prefijo) {
    std::vector<std::string> r;
    std::copy_if(lineas.begin(), lineas.end(), std::back_inserter(r),
                 [&](const std::string& l) { return l.rfind(prefijo, 0) == 0; });
    return r;
}

// The history row of a key in historia (which must outlive the answer), or nullptr.
const FilaHistorial* FilaHistoria(const HistorialDensidad& historia, const std::string& clave) {
    for (const FilaHistorial& fila : historia.Filas()) {
        if (fila.clave == clave) return &fila;
    }
    return nullptr;
}

void Muestra(const std::string& titulo, const std::vector<std::string>& diario,
             const std::string& informe) {
    std::cout << "---- " << titulo << ": journal ----\n";
    for (const auto& l : diario) std::cout << l << "\n";
    std::cout << "---- report ----\n" << informe << "----\n";
}

using ServidoresRealesE2eTest = PaseE2eTest;

TEST_F(ServidoresRealesE2eTest, LogShrinkShrinksTheFirstLogFileWhateverTheNames) {
    // "Catalogo" holds "LOG"; so does the second data file; the first log file does not.
    json base = Base("Catalogo", "Clientes", "PK_Clientes");
    base["files"] = json::array({
        {{"name", "Catalogo"}, {"type", "data"}, {"sizeMB", 64}, {"usedMB", 40}},
        {{"name", "Catalogo_Blog"}, {"type", "data"}, {"sizeMB", 64}, {"usedMB", 40}},
        {{"name", "Catalogo_trn"}, {"type", "log"}, {"sizeMB", 32}, {"usedMB", 2}},
        {{"name", "Catalogo_log2"}, {"type", "log"}, {"sizeMB", 32}, {"usedMB", 2}},
    });
    escenario["databases"] = json::array({base});
    escenario["defaultDatabase"] = "Catalogo";
    Arranca("Catalogo");
    EXPECT_TRUE(Pasa());
    EXPECT_THAT(
        Con(Diario(), "DBCC SHRINKFILE"),
        ElementsAre("DBCC SHRINKFILE([Catalogo_trn], 1)", "DBCC SHRINKFILE([Catalogo_trn], 1)"));
    EXPECT_THAT(Con(Lineas(), "Shrink "), ElementsAre(HasSubstr("Shrink Catalogo_log ("),
                                                      HasSubstr("Shrink Catalogo_log (")));
}

TEST_F(ServidoresRealesE2eTest, TablesOfOneNameInTwoSchemasAreTwoIndexesEachTreatedOnce) {
    escenario["databases"][0]["tables"] = json::array({
        Tabla("Orders", "dbo", json::array({Indice("PK_Orders", 1, 30)})),
        Tabla("Orders", "Sales", json::array({Indice("PK_Orders", 1, 60)})),
    });
    Arranca();
    EXPECT_TRUE(Pasa());
    Muestra("two schemas", Diario(), informe);
    EXPECT_THAT(Con(Diario(), "DBCC DBREINDEX"),
                ElementsAre("DBCC DBREINDEX ('[dbo].[Orders]', 'PK_Orders')",
                            "DBCC DBREINDEX ('[Sales].[Orders]', 'PK_Orders')"));
    EXPECT_THAT(Con(Lineas(), "Reindex "),
                ElementsAre(HasSubstr("Reindex Orders.PK_Orders ("),
                            HasSubstr("Reindex Sales.Orders.PK_Orders (")));
    EXPECT_THAT(eventos, Contains("Reindex: Sales.Orders -> PK_Orders"));
    // Each has its own history row, measured on its own table before and after.
    const HistorialDensidad historia = motor->Estadistica();
    ASSERT_EQ(historia.Filas().size(), 2u);
    for (const auto& [clave, antes] :
         {std::pair{"OrdersPK_Orders", 30.0}, std::pair{"Sales.OrdersPK_Orders", 60.0}}) {
        SCOPED_TRACE(clave);
        const FilaHistorial* fila = FilaHistoria(historia, clave);
        ASSERT_NE(fila, nullptr);
        const Medicion& medicion = fila->mediciones.at(0);
        EXPECT_EQ(medicion.antes, antes);
        EXPECT_EQ(medicion.despues, 100);
    }
    // Both were really rebuilt: a second pass finds nothing to treat.
    informe.clear();
    EXPECT_TRUE(Pasa());
    EXPECT_EQ(Con(Diario(), "DBCC DBREINDEX").size(), 2u);
}

TEST_F(ServidoresRealesE2eTest, TableNamesWithDotsAndBracketsReachTheirOwnTable) {
    // "Ped[idos].2024" in dbo beside a table "2024" in a schema "Ped[idos]", which must stay as it
    // is. The dbo table is shown bracketed, "[Ped[idos].2024]", so that it is never taken for the
    // other one ("Ped[idos].2024").
    escenario["databases"][0]["tables"] = json::array({
        Tabla("Ped[idos].2024", "dbo", json::array({Indice("PK_P", 1, 42.5)})),
        Tabla("2024", "Ped[idos]", json::array({Indice("PK_P", 1, 100)})),
    });
    for (const bool onLine : {false, true}) {
        SCOPED_TRACE(onLine);
        informe.clear();
        Arranca();
        EXPECT_TRUE(Pasa(onLine));
        EXPECT_THAT(
            Diario(),
            Contains(onLine ? "DBCC INDEXDEFRAG ([Ventas], '[dbo].[Ped[idos]].2024]', 'PK_P')"
                            : "DBCC DBREINDEX ('[dbo].[Ped[idos]].2024]', 'PK_P')"));
        EXPECT_EQ(
            Lineas().at(1).rfind(
                std::string(onLine ? "Defrag Index" : "Reindex") + " [Ped[idos].2024].PK_P (", 0),
            0u)
            << informe;
        const HistorialDensidad historia = motor->Estadistica();
        const FilaHistorial* fila = FilaHistoria(historia, "[Ped[idos].2024]PK_P");
        ASSERT_NE(fila, nullptr);
        const Medicion& medicion = fila->mediciones.back();
        EXPECT_EQ(medicion.antes, 42.5);
        EXPECT_EQ(medicion.despues, onLine ? 95 : 100);
        EXPECT_EQ(historia.Filas().size(), 1u);
    }
}

// The cloud database service refuses DBCC SHOWCONTIG, DBREINDEX, INDEXDEFRAG and every backup; a
// definition may or may not carry the service's marker in its server name: the pass knows the
// service by its edition and sends it none of them.
TEST_F(ServidoresRealesE2eTest, CloudServiceGetsEveryIndexTreatedAndExitsCleanUnattended) {
    escenario["engineEdition"] = 5;
    escenario["databases"][0]["tables"].push_back(
        Tabla("Pedidos", "Sales",
              json::array({Indice("PK_Pedidos", 1, 70), {{"id", 0}, {"density", 5}}})));
    const struct {
        bool onLine;
        bool marcador;
    } casos[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& caso : casos) {
        SCOPED_TRACE(std::string(caso.onLine ? "on line" : "off line") +
                     (caso.marcador ? ", marker" : ", no marker"));
        informe.clear();
        eventos.clear();
        // Each case starts from an empty history: two passes of one second are one measurement.
        motor.reset();
        for (const auto& e : std::filesystem::directory_iterator(carpeta.Ruta())) {
            if (e.path().extension() == ".ZEVeri") std::filesystem::remove(e.path());
        }
        Arranca("Ventas", caso.marcador ? "127.0.0.1\\velqor.database.windows.net,{port}"
                                        : "127.0.0.1,{port}");
        FijaDesatendido(true);
        const bool resultado = Pasa(caso.onLine);
        FijaDesatendido(false);
        EXPECT_TRUE(resultado);
        EXPECT_FALSE(std::filesystem::exists(ArchivoLog())) << LeeBytes(ArchivoLog());
        const std::string trato = caso.onLine ? "Defrag Index " : "Reindex ";
        const std::string noAplica = "Doesn't apply to Azure SQL Database";
        std::vector<std::string> forma = {kPrimera, P(trato + "Clientes.PK_Clientes"),
                                          P(trato + "Sales.Pedidos.PK_Pedidos"),
                                          P("Update Statistics"), P("Shrink Ventas_log")};
        forma.push_back(P("Log Truncate " + noAplica, false));
        forma.push_back(P("Shrink Ventas_log"));
        forma.push_back(kTiempo);
        Forma(forma);

        const auto diario = Diario();
        if (!caso.marcador)
            Muestra(caso.onLine ? "cloud, on line" : "cloud, off line", diario, informe);
        const std::string accion = caso.onLine ? " REORGANIZE" : " REBUILD";
        EXPECT_THAT(Con(diario, "ALTER INDEX"),
                    ElementsAre("ALTER INDEX [PK_Clientes] ON [dbo].[Clientes]" + accion,
                                "ALTER INDEX [PK_Pedidos] ON [Sales].[Pedidos]" + accion));
        EXPECT_THAT(diario, Not(Contains(HasSubstr("DBCC DBREINDEX"))));
        EXPECT_THAT(diario, Not(Contains(HasSubstr("DBCC INDEXDEFRAG"))));
        EXPECT_THAT(diario, Not(Contains(HasSubstr("DBCC SHOWCONTIG"))));
        EXPECT_THAT(diario, Not(Contains(HasSubstr("BACKUP"))));
        EXPECT_THAT(ArchivosRespaldo(), IsEmpty());
        // Measured through the physical stats before and after.
        const HistorialDensidad historia = motor->Estadistica();
        const FilaHistorial* fila = FilaHistoria(historia, "Sales.PedidosPK_Pedidos");
        ASSERT_NE(fila, nullptr);
        const Medicion& medicion = fila->mediciones.back();
        EXPECT_EQ(medicion.antes, 70);
        EXPECT_EQ(medicion.despues, caso.onLine ? 95 : 100);
        EXPECT_THAT(eventos, Contains(caso.onLine ? "Defrag: Sales.Pedidos -> PK_Pedidos"
                                                  : "Reindex: Sales.Pedidos -> PK_Pedidos"));
        EXPECT_EQ(eventos.back(), "Done");
        EXPECT_THAT(cuadros, IsEmpty());
    }
}

}  // namespace
}  // namespace velqor::prueba
