// The fragmentation survey and the treatment of the indexes under the threshold.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "MotorPrueba.h"
#include "common/General.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;

Lista Fila(const char* tabla, const char* indice, int id, double densidad) {
    return {Valor::Texto(tabla), Valor::Texto(indice), Valor::Largo(id), Valor::Doble(densidad)};
}

// A surveyed index as the tests compare it: (schema, table, index, object id, index id, pages,
// density).
using Campos = std::tuple<std::string, std::string, std::string, int64_t, int32_t, int64_t, double>;
std::vector<Campos> CamposDe(const std::vector<IndiceEncuestado>& encuesta) {
    std::vector<Campos> r;
    for (const IndiceEncuestado& i : encuesta)
        r.emplace_back(i.esquema, i.tabla, i.indice, i.objectId, i.indexId, i.paginas, i.densidad);
    return r;
}

class IndicesTest : public MotorPrueba {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Crea());
        conn = Conexion();
    }
    bool Reindexa(int32_t densidad = 100, int32_t minutos = 0, bool bloquear = true) {
        return motor->ReindexarTodo(*conn, densidad, minutos, bloquear, cancelar, informe);
    }
    std::vector<std::string> Tratados() const {
        std::vector<std::string> r;
        for (const auto& s : guion.Con("DBCC DBREINDEX")) r.push_back(s);
        return r;
    }
    std::unique_ptr<db::Connection> conn;
};

TEST_F(IndicesTest, SurveyKeepsIndexesOnlyAndRaisesOneEventPerRowRead) {
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Encuesta({Fila("Clientes", "PK_Clientes", 1, 80), Fila("Notas", "", 0, 10),
                           Fila("Pedidos", "IX_Fecha", 2, 40)}));
    std::vector<IndiceEncuestado> lista;
    ASSERT_TRUE(motor->ObtenerDensidadActual(*conn, lista));
    EXPECT_THAT(Textos(), ElementsAre("Waiting for server response...", "Reading 1", "Reading 2",
                                      "Reading 3"));
    for (const Evento& e : eventos) EXPECT_FALSE(e.banderaDelPase);
    // Ordered on the density, least dense first; tables in dbo are shown by their own name.
    EXPECT_THAT(CamposDe(lista),
                ElementsAre(Campos{"dbo", "Pedidos", "IX_Fecha", 1, 2, 8, 40},
                            Campos{"dbo", "Clientes", "PK_Clientes", 1, 1, 8, 80}));
    EXPECT_EQ(lista.at(0).TablaVisible(), "Pedidos");
    EXPECT_EQ(lista.at(0).TablaSql(), "[dbo].[Pedidos]");
}

TEST_F(IndicesTest, EachIndexIsTreatedUnderTheSchemaTheCatalogGives) {
    // Object 1 is in dbo, 2 in a schema with a dot (as is its table's name), 3 in a schema DBO of
    // a case-sensitive database, and 4 is not in the catalog at all.
    const auto fila = [](const char* tabla, int objeto, double densidad) {
        return Lista{Valor::Texto(tabla), Valor::Largo(objeto), Valor::Texto("PK"),
                     Valor::Largo(1),     Valor::Largo(0),      Valor::Doble(densidad),
                     Valor::Largo(3)};
    };
    guion.Cuando(
        "DBCC SHOWCONTIG () ",
        Respuesta::Filas(
            {"ObjectName", "ObjectId", "IndexName", "IndexId", "Level", "ScanDensity", "Pages"},
            {fila("Cuatro", 4, 40), fila("A.B", 2, 20), fila("Tres", 3, 30), fila("Uno", 1, 10)}));
    guion.Cuando("SELECT object_id, name, SCHEMA_NAME(schema_id)",
                 Respuesta::Filas({"object_id", "name", "schema_name"},
                                  {{Valor::Largo(1), Valor::Texto("Uno"), Valor::Texto("dbo")},
                                   {Valor::Largo(2), Valor::Texto("A.B"), Valor::Texto("Sales.X")},
                                   {Valor::Largo(3), Valor::Texto("Tres"), Valor::Texto("DBO")}}));
    ASSERT_TRUE(Reindexa());
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[Uno]', 'PK')",
                                        "DBCC DBREINDEX ('[Sales.X].[A.B]', 'PK')",
                                        "DBCC DBREINDEX ('[DBO].[Tres]', 'PK')",
                                        "DBCC DBREINDEX ('[Cuatro]', 'PK')"));
    EXPECT_THAT(Textos(), IsSupersetOf({"Reindex: Uno -> PK", "Reindex: Sales.X.A.B -> PK",
                                        "Reindex: Tres -> PK", "Reindex: Cuatro -> PK"}));
}

TEST_F(IndicesTest, ALargeSurveyAnnouncesTheFirstThousandRowsThenEveryThousandthAndTheLast) {
    for (const int filas : {1000, 2000, 2345}) {
        std::vector<Lista> encuesta;
        for (int i = 0; i < filas; ++i) encuesta.push_back(Fila("T", "I", i % 2, 50));
        guion.Cuando("DBCC SHOWCONTIG () ", Encuesta(encuesta));
        eventos.clear();
        std::vector<IndiceEncuestado> lista;
        ASSERT_TRUE(motor->ObtenerDensidadActual(*conn, lista));
        EXPECT_EQ(lista.size(), static_cast<size_t>(filas / 2));
        std::vector<std::string> esperados{"Waiting for server response..."};
        for (int i = 1; i <= 1000; ++i) esperados.push_back("Reading " + std::to_string(i));
        if (filas >= 2000) esperados.push_back("Reading 2000");
        if (filas == 2345) esperados.push_back("Reading 2345");
        EXPECT_EQ(Textos(), esperados) << filas;
    }
}

TEST_F(IndicesTest, SurveyOfHeapsOnlyOrOfNothingIsAnEmptyList) {
    const struct {
        Respuesta respuesta;
        size_t eventosLectura;
    } casos[] = {
        {Encuesta({Fila("Notas", "", 0, 10), Fila("Log", "", 0, 90)}), 2},
        {Encuesta({}), 0},
        {Respuesta::Nada(), 0},
    };
    for (const auto& caso : casos) {
        eventos.clear();
        guion.Cuando("DBCC SHOWCONTIG () ", caso.respuesta);
        std::vector<IndiceEncuestado> lista(1);
        ASSERT_TRUE(motor->ObtenerDensidadActual(*conn, lista));
        EXPECT_THAT(lista, IsEmpty());
        EXPECT_EQ(eventos.size(), 1 + caso.eventosLectura);
        informe.clear();
        EXPECT_TRUE(Reindexa());
        EXPECT_EQ(informe, "");
    }
}

// A server without DBCC SHOWCONTIG (the cloud database service) is surveyed through the physical
// stats: a partitioned index is as fragmented as its worst partition; a row without a figure, an
// index without a name and an object the catalog does not list (an internal table) are left out.
TEST_F(IndicesTest, WithoutDbccTheSurveyTakesTheWorstPartitionOfEachListedIndex) {
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Respuesta::Rechazo({{40518,
                                      "DBCC command 'SHOWCONTIG' is not supported in this "
                                      "version of SQL Server."}}));
    const auto fisica = [](int objeto, int indice, Valor fragmentacion) {
        return Lista{Valor::Largo(objeto), Valor::Largo(indice), std::move(fragmentacion),
                     Valor::Largo(5)};
    };
    guion.Cuando(
        "SELECT object_id, index_id, avg_fragmentation_in_percent, page_count FROM "
        "sys.dm_db_index_physical_stats",
        Respuesta::Filas({"object_id", "index_id", "avg_fragmentation_in_percent", "page_count"},
                         {fisica(7, 1, Valor::Doble(10)), fisica(7, 1, Valor::Doble(40)),
                          fisica(7, 1, Valor::Doble(25)), fisica(7, 2, Valor::Nulo()),
                          fisica(7, 3, Valor::Doble(90)), fisica(9, 1, Valor::Doble(50))}));
    guion.Cuando(
        "SELECT object_id, index_id, name FROM sys.indexes",
        Respuesta::Filas({"object_id", "index_id", "name"},
                         {{Valor::Largo(7), Valor::Largo(1), Valor::Texto("PK_Pedidos")},
                          {Valor::Largo(7), Valor::Largo(2), Valor::Texto("IX_Sin")},
                          {Valor::Largo(7), Valor::Largo(3), Valor::Nulo()},
                          {Valor::Largo(9), Valor::Largo(1), Valor::Texto("PK_Interna")}}));
    guion.Cuando(
        "SELECT object_id, name, SCHEMA_NAME(schema_id)",
        Respuesta::Filas({"object_id", "name", "schema_name"},
                         {{Valor::Largo(7), Valor::Texto("Pedidos"), Valor::Texto("Sales")}}));
    std::vector<IndiceEncuestado> lista;
    ASSERT_TRUE(motor->ObtenerDensidadActual(*conn, lista));
    // The pages of the three partitions add up.
    EXPECT_THAT(CamposDe(lista),
                ElementsAre(Campos{"Sales", "Pedidos", "PK_Pedidos", 7, 1, 15, 60}));
    EXPECT_EQ(lista.at(0).TablaVisible(), "Sales.Pedidos");
    EXPECT_THAT(Textos(), ElementsAre("Waiting for server response...", "Reading 1", "Reading 2",
                                      "Reading 3", "Reading 4", "Reading 5", "Reading 6"));
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(IndicesTest, SurveyFailureIsReportedAndLeavesTheListUntouched) {
    guion.Cuando(
        "DBCC SHOWCONTIG () ",
        Respuesta::Rechazo({{2571, "User 'x' does not have permission to run DBCC SHOWCONTIG."}}));
    std::vector<IndiceEncuestado> lista(1);
    lista[0].tabla = "antes";
    EXPECT_FALSE(motor->ObtenerDensidadActual(*conn, lista));
    ASSERT_EQ(lista.size(), 1u);
    EXPECT_EQ(lista[0].tabla, "antes");
    ASSERT_EQ(cuadros.size(), 1u);
    EXPECT_THAT(cuadros[0],
                HasSubstr("Error 3604: [FreeTDS][SQL Server]User 'x' does not have permission"));
    EXPECT_THAT(cuadros[0], HasSubstr("Native Error 2571"));
    EXPECT_FALSE(Reindexa());
    EXPECT_THAT(Tratados(), IsEmpty());
}

TEST_F(IndicesTest, OnlyIndexesStrictlyUnderTheThresholdAreTreated) {
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Encuesta({Fila("A", "Cien", 1, 100), Fila("B", "Casi", 1, 99.99),
                           Fila("C", "Mitad", 1, 50), Fila("D", "Nulo", 1, 0)}));
    EXPECT_TRUE(Reindexa(100));
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[D]', 'Nulo')",
                                        "DBCC DBREINDEX ('[dbo].[C]', 'Mitad')",
                                        "DBCC DBREINDEX ('[dbo].[B]', 'Casi')"));
    guion.sentencias.clear();
    EXPECT_TRUE(Reindexa(50));
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[D]', 'Nulo')"));
}

TEST_F(IndicesTest, TimeBudgetStopsBetweenIndexesOnceMoreMinutesHavePassed) {
    // Each rebuild takes two minutes; the phase starts at 16:35:41.
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Encuesta({Fila("T", "I1", 1, 10), Fila("T", "I2", 1, 20), Fila("T", "I3", 1, 30),
                           Fila("T", "I4", 1, 40), Fila("T", "I5", 1, 50)}));
    guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(120));
    const struct {
        int32_t minutos;
        size_t tratados;
    } casos[] = {{0, 5}, {-1, 5}, {5, 3}, {1, 1}, {60, 5}};
    for (const auto& caso : casos) {
        guion.sentencias.clear();
        EXPECT_TRUE(Reindexa(100, caso.minutos));
        EXPECT_EQ(Tratados().size(), caso.tratados) << caso.minutos;
    }
}

TEST_F(IndicesTest, RowsSortedAfterTheThresholdChangeNothingInTheWalk) {
    // Null densities sort first; 95, a date and a text sort after the threshold of 90.
    const auto fila = [](const char* indice, Valor densidad) {
        return Lista{Valor::Texto("T"), Valor::Texto(indice), Valor::Largo(1), std::move(densidad)};
    };
    guion.Cuando("DBCC SHOWCONTIG () ",
                 Encuesta({fila("Texto", Valor::Texto("x")), fila("Alta", Valor::Doble(95)),
                           fila("Nula", Valor::Nulo()), fila("Baja", Valor::Doble(10)),
                           fila("Fecha", Valor::Fecha(HacerMomento(2024, 1, 1))),
                           fila("Media", Valor::Largo(60))}));
    std::vector<std::pair<int32_t, int32_t>> avances;
    motor->AlAvanzar([&](const Velqor::Avance& a) {
        if (a.paso == Velqor::Paso::Indices) avances.push_back({a.hechos, a.total});
    });
    EXPECT_TRUE(Reindexa(90));
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[T]', 'Baja')",
                                        "DBCC DBREINDEX ('[dbo].[T]', 'Media')"));
    EXPECT_THAT(avances, ElementsAre(std::pair{0, 2}, std::pair{1, 2}, std::pair{2, 2}));

    // A survey that outlasts the budget stops the walk at its first row, a Null one here, before
    // anything is treated.
    guion.sentencias.clear();
    guion.Cuando(
        "DBCC SHOWCONTIG () ",
        Encuesta({fila("Baja", Valor::Doble(10)), fila("Nula", Valor::Nulo())}).Tarda(120));
    EXPECT_TRUE(Reindexa(90, 1));
    EXPECT_THAT(Tratados(), IsEmpty());
}

TEST_F(IndicesTest, MinutesCountClockBoundariesCrossed) {
    // From 10:00:59 the first rebuild ends at 10:01:00 (one boundary), the second at 10:02:00 (two,
    // though only 61 seconds have passed): a budget of 1 minute stops the walk there.
    reloj.Fija(HacerMomento(2026, 12, 4, 10, 0, 59));
    guion.Cuando("DBCC SHOWCONTIG () ", Encuesta({Fila("T", "I1", 1, 10), Fila("T", "I2", 1, 20),
                                                  Fila("T", "I3", 1, 30)}));
    guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(60));
    guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(1), 1);
    EXPECT_TRUE(Reindexa(100, 1));
    EXPECT_EQ(Tratados().size(), 2u);
}

TEST_F(IndicesTest, CancelAtTheThirdIndexKeepsTheFirstTwo) {
    guion.Cuando("DBCC SHOWCONTIG () ", Encuesta({Fila("T", "I1", 1, 10), Fila("T", "I2", 1, 20),
                                                  Fila("T", "I3", 1, 30), Fila("T", "I4", 1, 40)}));
    CancelaEn("Reindex: ", 3);
    EXPECT_FALSE(Reindexa());
    EXPECT_TRUE(cancelar);
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[T]', 'I1')",
                                        "DBCC DBREINDEX ('[dbo].[T]', 'I2')"));
    EXPECT_THAT(Lineas(), ElementsAre("Reindex T.I1 (<1 second)", "Reindex T.I2 (<1 second)"));
    const HistorialDensidad historia = motor->Estadistica();
    ASSERT_EQ(historia.Filas().size(), 2u);
    EXPECT_EQ(historia.Filas()[1].clave, "TI2");
}

TEST_F(IndicesTest, FailingRebuildInTheMiddleDoesNotStopThePhase) {
    guion.Cuando("DBCC SHOWCONTIG () ", Encuesta({Fila("T", "I1", 1, 10), Fila("T", "I2", 1, 20),
                                                  Fila("T", "I3", 1, 30)}));
    guion.Cuando("DBCC DBREINDEX ('[dbo].[T]', 'I2')",
                 Respuesta::Rechazo({{1205, "Transaction was deadlocked."}}));
    EXPECT_FALSE(Reindexa());
    EXPECT_THAT(Tratados(), ElementsAre("DBCC DBREINDEX ('[dbo].[T]', 'I1')",
                                        "DBCC DBREINDEX ('[dbo].[T]', 'I2')",
                                        "DBCC DBREINDEX ('[dbo].[T]', 'I3')"));
    EXPECT_THAT(
        Lineas(),
        ElementsAre(
            "Reindex T.I1 (<1 second)",
            "Reindex T.I2 Error -2147217900: [FreeTDS][SQL Server]Transaction was deadlocked.",
            "Reindex T.I3 (<1 second)"));
    EXPECT_THAT(Textos(), ::testing::Contains("Reindex: T -> I3"));
    ASSERT_EQ(cuadros.size(), 1u);
    EXPECT_EQ(cuadros[0].rfind("T(I2)\r\nError 3604: ", 0), 0u) << cuadros[0];
    EXPECT_EQ(motor->Estadistica().Filas().size(), 2u);  // the failed index is not recorded
}

TEST_F(IndicesTest, MeasurementHoldsDensitiesTimesAndKind) {
    guion.Cuando("DBCC SHOWCONTIG ('",
                 Respuesta::Filas({"ScanDensity"}, {{Valor::Doble(62.5)}, {Valor::Doble(1)}}), 1);
    guion.Cuando("DBCC INDEXDEFRAG", Respuesta::Nada().Tarda(2));
    ASSERT_TRUE(motor->IndexDefrag(*conn, "Clientes", "PK_Clientes", cancelar, informe));
    EXPECT_EQ(informe, "Defrag Index Clientes.PK_Clientes (2 seconds)\r\n");
    const HistorialDensidad esperado({{"Clientes",
                                       "PK_Clientes",
                                       "ClientesPK_Clientes",
                                       {{62.5, HacerMomento(2026, 12, 4, 16, 35, 41),
                                         HacerMomento(2026, 12, 4, 16, 35, 43), 100, false}}}});
    EXPECT_EQ(motor->Estadistica(), esperado);
}

TEST_F(IndicesTest, SameIndexTwiceGivesOneRowWithTwoMeasurementsOldestFirst) {
    ASSERT_TRUE(motor->DBReindex(*conn, "Clientes", "PK_Clientes", cancelar, informe));
    reloj.Avanza(60);
    ASSERT_TRUE(motor->IndexDefrag(*conn, "Clientes", "PK_Clientes", cancelar, informe));
    const HistorialDensidad historia = motor->Estadistica();
    const std::vector<FilaHistorial>& filas = historia.Filas();
    ASSERT_EQ(filas.size(), 1u);
    const std::vector<Medicion>& mediciones = filas[0].mediciones;
    ASSERT_EQ(mediciones.size(), 2u);
    EXPECT_TRUE(mediciones[0].bloquear);
    EXPECT_FALSE(mediciones[1].bloquear);
    EXPECT_LT(mediciones[0].inicio, mediciones[1].inicio);
}

TEST_F(IndicesTest, UnreadableDensityCountsAsZeroAndDoesNotFailTheTreatment) {
    const Respuesta casos[] = {
        Respuesta::Rechazo({{2501, "Cannot find a table or object with the name \"X\"."}}),
        Respuesta::Filas({"ScanDensity"}, {}),
        Respuesta::Filas({"Otra"}, {{Valor::Doble(5)}}),
        Respuesta::Nada(),
    };
    for (const Respuesta& caso : casos) {
        Libera();
        ASSERT_TRUE(Crea());
        guion.Cuando("DBCC SHOWCONTIG ('", caso);
        ASSERT_TRUE(motor->DBReindex(*conn, "X", "Y", cancelar, informe));
        const Medicion medicion = motor->Estadistica().Filas().at(0).mediciones.back();
        EXPECT_EQ(medicion.antes, 0);
        EXPECT_EQ(medicion.despues, 0);
    }
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(IndicesTest, HostileNamesAreQuotedInStatementsAndShownAsTheyAreInTexts) {
    Libera();
    ASSERT_TRUE(Crea("sql01", "Mi Base']"));
    conn = Conexion();
    const std::string tabla = "Cli'entes x";
    const std::string indice = "PK ]Cli'";
    ASSERT_TRUE(motor->IndexDefrag(*conn, tabla, indice, cancelar, informe));
    ASSERT_TRUE(motor->DBReindex(*conn, tabla, indice, cancelar, informe));
    EXPECT_THAT(
        guion.sentencias,
        ElementsAre(
            "DBCC SHOWCONTIG ('[Cli''entes x]',[PK ]]Cli']) WITH FAST, TABLERESULTS, NO_INFOMSGS",
            "DBCC INDEXDEFRAG ([Mi Base']]], '[Cli''entes x]', 'PK ]Cli''')",
            "DBCC SHOWCONTIG ('[Cli''entes x]',[PK ]]Cli']) WITH FAST, TABLERESULTS, NO_INFOMSGS",
            "DBCC SHOWCONTIG ('[Cli''entes x]',[PK ]]Cli']) WITH FAST, TABLERESULTS, NO_INFOMSGS",
            "DBCC DBREINDEX ('[Cli''entes x]', 'PK ]Cli''')",
            "DBCC SHOWCONTIG ('[Cli''entes x]',[PK ]]Cli']) WITH FAST, TABLERESULTS, NO_INFOMSGS"));
    EXPECT_THAT(Lineas(), ElementsAre("Defrag Index Cli'entes x.PK ]Cli' (<1 second)",
                                      "Reindex Cli'entes x.PK ]Cli' (<1 second)"));
    EXPECT_THAT(Textos(),
                ElementsAre("Defrag: Cli'entes x -> PK ]Cli'", "Reindex: Cli'entes x -> PK ]Cli'"));
}

}  // namespace
}  // namespace velqor::prueba
