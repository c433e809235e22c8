// Each statement the engine sends, answered by sqlsim through isql and the FreeTDS ODBC driver:
// result sets, row counts and SQL Server's own error texts. These cases only read, so they share
// one server.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ClientesTds.h"
#include "EscenarioPrueba.h"
#include "SqlsimProceso.h"

namespace velqor::prueba {
namespace {

struct Caso {
    const char* nombre;
    const char* sentencia;
    std::vector<std::string> esperados;
    std::vector<std::string> ausentes = {};
};

const char* const kError = "[FreeTDS][SQL Server]";

std::vector<Caso> Casos() {
    const std::string e = kError;
    return {
        {"SurveyAllIndexes",
         "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS",
         {"ObjectName",
          "ObjectId",
          "IndexName",
          "IndexId",
          "Level",
          "Pages",
          "Rows",
          "MinimumRecordSize",
          "MaximumRecordSize",
          "AverageRecordSize",
          "ForwardedRecords",
          "Extents",
          "ExtentSwitches",
          "AverageFreeBytes",
          "AveragePageDensity",
          "ScanDensity",
          "BestCount",
          "ActualCount",
          "LogicalFragmentation",
          "ExtentFragmentation",
          "PK_Clientes",
          "IX Nombre]x",
          "O'Brien",
          "42.5",
          "88.25",
          "SQLRowCount returns 6"},
         {"[FreeTDS][SQL Server]", "DBCC execution completed"}},
        {"SingleIndexBare",
         "DBCC SHOWCONTIG ('Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"PK_Clientes", "42.5", "SQLRowCount returns 1"},
         {"88.25"}},
        {"SingleIndexQuotedTableBracketedIndex",
         "DBCC SHOWCONTIG ('O''Brien',[IX_OBrien]) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"IX_OBrien", "70", "SQLRowCount returns 1"}},
        {"SingleIndexDoubledClosingBracket",
         "DBCC SHOWCONTIG ('Clientes',[IX Nombre]]x]) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"88.25", "SQLRowCount returns 1"}},
        {"SingleIndexBlankInBareName",
         "DBCC SHOWCONTIG ('Clientes',IX Nombre) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {e + "Incorrect syntax near 'Nombre'."}},
        {"SingleIndexUnknownTable",
         "DBCC SHOWCONTIG ('Nada',PK_Nada) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {e + "Cannot find a table or object with the name \"Nada\". Check the system catalog."}},
        {"SchemaInTheString",
         "DBCC SHOWCONTIG ('Sales.Clientes',PK_SClientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"PK_SClientes", "12.5", "SQLRowCount returns 1"}},
        {"BracketedSchemaAndTableInTheString",
         "DBCC SHOWCONTIG ('[Sales].[Clientes]',PK_SClientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"12.5", "SQLRowCount returns 1"}},
        {"DottedTableNameBracketed",
         "DBCC SHOWCONTIG ('[Sales.Clientes]',PK_Punto) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"PK_Punto", "33", "SQLRowCount returns 1"}},
        {"ThreePartNameOfThisDatabase",
         "DBCC SHOWCONTIG ('Ventas..Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"42.5", "SQLRowCount returns 1"}},
        {"ThreePartNameOfAnotherDatabase",
         "DBCC SHOWCONTIG ('Nueva.dbo.Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {e + "Cannot find a table or object with the name \"Nueva.dbo.Clientes\"."}},
        {"OnePartNameIsLookedUpInDboOnly",
         "DBCC DBREINDEX ('Clientes', 'PK_SClientes')",
         {e + "Parameter 2 is incorrect for this DBCC statement."}},
        {"SchemaOfATableInAnotherSchemaOnly",
         "DBCC SHOWCONTIG ('Sales.O''Brien',IX_OBrien) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {e + "Cannot find a table or object with the name \"Sales.O'Brien\"."}},
        {"ByObjectAndIndexId",
         "DBCC SHOWCONTIG (5000001, 2) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {"IX Nombre]x", "88.25", "SQLRowCount returns 1"}},
        {"CatalogOfTablesWithTheirSchemas",
         "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
         "WHERE type = 'U' OR type = 'V'",
         {"| Sales", "Sales.Clientes", "4 rows fetched"}},
        {"Schemas",
         "SELECT name, schema_id FROM sys.schemas WHERE schema_id = 1 OR schema_id > 4",
         {"dbo", "Sales", "2 rows fetched"}},
        {"IndexesOfTheCatalog",
         "SELECT object_id, index_id, name FROM sys.indexes WHERE index_id > 0",
         {"PK_SClientes", "IX_OBrien", "5 rows fetched"}},
        {"PhysicalStatsOfEveryIndex",
         "SELECT object_id, index_id, avg_fragmentation_in_percent FROM "
         "sys.dm_db_index_physical_stats(DB_ID(), NULL, NULL, NULL, 'LIMITED') "
         "WHERE index_id > 0 AND alloc_unit_type_desc = 'IN_ROW_DATA'",
         {"57.5", "87.5", "5 rows fetched"}},
        {"PhysicalStatsOfOneIndex",
         "SELECT index_type_desc, avg_fragmentation_in_percent FROM "
         "sys.dm_db_index_physical_stats(DB_ID(), 5000001, 1, NULL, 'LIMITED')",
         {"CLUSTERED INDEX", "57.5", "1 rows fetched"}},
        {"SingleIndexUnknownIndex",
         "DBCC SHOWCONTIG ('Clientes',IX_Nada) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         {e + "Parameter 2 is incorrect for this DBCC statement."}},
        {"UpdateStats",
         "sp_updatestats",
         {"[01000][FreeTDS][SQL Server]Updating [dbo].[Clientes]", "Updating [Sales].[Clientes]",
          "    2 index(es)/statistic(s) have been updated, 0 did not require update.",
          "Statistics for all tables have been updated."}},
        {"LogFiles",
         "SELECT name FROM sys.database_files WHERE UPPER(name) LIKE '%LOG%'",
         {"Ventas_log", "Otro log", "SQLRowCount returns 2"}},
        {"LogFilesByTypeNewestFirst",
         "SELECT TOP 1 name FROM sys.database_files WHERE type = 1 ORDER BY file_id DESC",
         {"Otro log", "1 rows fetched"},
         {"Ventas_log"}},
        {"ShrinkBare",
         "DBCC SHRINKFILE(Ventas_log, 1)",
         {"DbId", "FileId", "CurrentSize", "MinimumSize", "UsedPages", "EstimatedPages",
          "SQLRowCount returns 1"}},
        {"ShrinkBracketed",
         "DBCC SHRINKFILE([Otro log], 1)",
         {"CurrentSize", "SQLRowCount returns 1"}},
        {"ShrinkBlankInBareName",
         "DBCC SHRINKFILE(Otro log, 1)",
         {e + "Incorrect syntax near 'log'."}},
        {"ShrinkUnknownFile",
         "DBCC SHRINKFILE(Nada, 1)",
         {e + "Could not locate file 'Nada' for database 'Ventas' in sys.database_files. The file "
              "either does not "
              "exist, or was dropped."}},
        {"TruncateOnlyRefusedFrom2008",
         "BACKUP LOG Ventas WITH TRUNCATE_ONLY",
         {e + "'TRUNCATE_ONLY' is not a recognized BACKUP option."}},
        {"UserMatches",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='Admin' Or Usuario_cd=1) And "
         "(Usuario_PW='AAA')",
         {"Usuario_ID", "Usuario_PW", "Usuario_cd", "Admin", "1 rows fetched"}},
        {"UserCaseAndTrailingBlanksIgnored",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='admin  ') And (Usuario_PW='aaa')",
         {"1 rows fetched"}},
        {"WrongPassword",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='Admin') And (Usuario_PW='ZZZ')",
         {"SQLRowCount returns 0"}},
        {"AdminByCode",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='Nadie' Or Usuario_cd=1) And "
         "(Usuario_PW='AAA')",
         {"Admin", "1 rows fetched"}},
        {"QuoteInNameDoubled",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='O''Brien') And (Usuario_PW='BBB')",
         {"O'Brien", "1 rows fetched"}},
        {"InjectionQuotedIsHarmless",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='x'' Or ''1''=''1') And (Usuario_PW='x'' Or "
         "''1''=''1')",
         {"SQLRowCount returns 0"}},
        {"InjectionUnquotedWorksAsOnARealServer",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='x' Or '1'='1') And (Usuario_PW='x' Or "
         "'1'='1')",
         {"2 rows fetched"}},
        {"UnbalancedQuote",
         "SELECT * FROM UsuariosPW WHERE (Usuario_ID='O'Brien') And (Usuario_PW='BBB')",
         {e + "Unclosed quotation mark after the character string ')'.",
          e + "Incorrect syntax near ')'."}},
        {"UnknownColumn",
         "SELECT * FROM UsuariosPW WHERE Nombre='x'",
         {e + "Invalid column name 'Nombre'."}},
        {"UserCodes", "SELECT Usuario_cd FROM UsuariosPW", {"Usuario_cd", "2 rows fetched"}},
        {"UnknownProcedure", "sp_nada 1, 2", {e + "Could not find stored procedure 'sp_nada'."}},
        {"BadSyntax", "SELECT FROM UsuariosPW", {e + "Incorrect syntax near 'FROM'."}},
        {"UnknownDbcc", "DBCC CHECKDB", {"Incorrect DBCC statement."}},
        {"TrivialSelect", "SELECT 1 AS uno", {"uno", "1 rows fetched"}},
        {"SetIsAccepted", "SET NOCOUNT ON", {}, {"[FreeTDS][SQL Server]"}},
    };
}

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

class Sentencias : public testing::TestWithParam<Caso> {
  protected:
    static void SetUpTestSuite() {
        servidor_ = std::make_unique<SqlsimProceso>(EscenarioPrueba().dump());
    }
    static void TearDownTestSuite() { servidor_.reset(); }
    static std::unique_ptr<SqlsimProceso> servidor_;
};
std::unique_ptr<SqlsimProceso> Sentencias::servidor_;

void Comprueba(const std::string& salida, const Caso& c) {
    for (const std::string& e : c.esperados)
        EXPECT_NE(salida.find(e), std::string::npos) << e << "\n" << salida;
    for (const std::string& a : c.ausentes)
        EXPECT_EQ(salida.find(a), std::string::npos) << a << "\n" << salida;
}

TEST_P(Sentencias, AsABatchThroughSqlExecDirect) {
    const Caso& c = GetParam();
    Comprueba(Isql(servidor_->CadenaConexion("Ventas", kUsuario, kClave), {c.sentencia}, true), c);
}

TEST_P(Sentencias, PreparedThroughSpPrepexec) {
    const Caso& c = GetParam();
    Comprueba(Isql(servidor_->CadenaConexion("Ventas", kUsuario, kClave), {c.sentencia}, false), c);
}

INSTANTIATE_TEST_SUITE_P(Sqlsim, Sentencias, testing::ValuesIn(Casos()),
                         [](const testing::TestParamInfo<Caso>& i) {
                             return std::string(i.param.nombre);
                         });

TEST(SqlsimTsql, ShowsServerMessagesWithNumberClassAndText) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida =
        Tsql(s.Puerto(), kUsuario, kClave, "Ventas",
             {"DBCC SHOWCONTIG ('Clientes',IX Nombre) WITH FAST, TABLERESULTS, NO_INFOMSGS",
              "SELECT Usuario_ID FROM UsuariosPW WHERE Usuario_cd=2"});
    EXPECT_NE(salida.find("Msg 102 (severity 15, state 1)"), std::string::npos) << salida;
    EXPECT_NE(salida.find("\"Incorrect syntax near 'Nombre'.\""), std::string::npos) << salida;
    EXPECT_NE(salida.find("O'Brien"), std::string::npos) << salida;
}

TEST(SqlsimTsql, SpeaksTds71Too) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida =
        Tsql(s.Puerto(), kUsuario, kClave, "Ventas",
             {"SELECT Usuario_cd FROM UsuariosPW", "BACKUP LOG Ventas WITH TRUNCATE_ONLY"}, "7.1");
    EXPECT_NE(salida.find("(2 rows affected)"), std::string::npos) << salida;
    EXPECT_NE(salida.find("Msg 155 (severity 15, state 1)"), std::string::npos) << salida;
}

TEST(SqlsimUso, UseSwitchesTheDatabaseAndUnknownTableIs208) {
    SqlsimProceso s(EscenarioPrueba().dump());
    const std::string salida =
        Isql(s.CadenaConexion("Ventas", kUsuario, kClave),
             {"USE [Nueva]", "SELECT DB_NAME() AS base", "SELECT Usuario_cd FROM UsuariosPW"});
    EXPECT_NE(salida.find("Changed database context to 'Nueva'."), std::string::npos) << salida;
    EXPECT_NE(salida.find("| Nueva"), std::string::npos) << salida;
    EXPECT_NE(salida.find(std::string(kError) + "Invalid object name 'UsuariosPW'."),
              std::string::npos)
        << salida;
}

}  // namespace
}  // namespace velqor::prueba
