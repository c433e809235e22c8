// The statement parser: the quoting forms the engine sends, the errors SQL Server gives for
// text that does not parse, and hostile input that must neither crash nor run anything.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "AnalizadorSql.h"

namespace velqor::sqlsim {
namespace {

// The one statement of a batch (a copy: the batch is usually a temporary).
template <typename T>
T Unico(const Lote& l) {
    EXPECT_TRUE(l.errores.empty()) << l.errores.front().texto;
    EXPECT_EQ(l.comandos.size(), 1u);
    return std::get<T>(l.comandos.at(0));
}

struct CasoIndice {
    const char* texto;
    const char* tabla;
    const char* indice;
};

TEST(AnalizadorSql, SingleIndexSurveyInEveryQuotingForm) {
    const std::vector<CasoIndice> casos = {
        {"DBCC SHOWCONTIG ('Clientes',PK_Clientes) WITH FAST, TABLERESULTS, NO_INFOMSGS",
         "Clientes", "PK_Clientes"},
        {"DBCC SHOWCONTIG ('O''Brien',[Ind ex]) WITH FAST, TABLERESULTS, NO_INFOMSGS", "O'Brien",
         "Ind ex"},
        {"dbcc showcontig ('T',[a]]b]) with fast, tableresults, no_infomsgs", "T", "a]b"},
        {"DBCC SHOWCONTIG (N'T','I') WITH TABLERESULTS", "T", "I"},
        {"DBCC SHOWCONTIG ([dbo].[T],\"I\") WITH TABLERESULTS", "dbo", ""},
    };
    for (const CasoIndice& c : casos) {
        const Lote l = AnalizaLote(c.texto);
        if (std::string(c.indice).empty()) {
            ASSERT_FALSE(l.errores.empty())
                << c.texto;  // a dotted bare name is not a DBCC argument
            continue;
        }
        const auto s = Unico<ShowContig>(l);
        EXPECT_EQ(s.tabla->nombre, c.tabla) << c.texto;
        EXPECT_EQ(s.indice->nombre, c.indice) << c.texto;
        EXPECT_TRUE(s.tableResults);
    }
}

TEST(AnalizadorSql, SurveyOfEveryIndexReadsItsOptions) {
    const auto s = Unico<ShowContig>(
        AnalizaLote("DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS"));
    EXPECT_FALSE(s.tabla);
    EXPECT_TRUE(s.fast && s.tableResults && s.allIndexes && s.noInfoMsgs);
    const auto sinParentesis = Unico<ShowContig>(AnalizaLote("DBCC SHOWCONTIG WITH TABLERESULTS"));
    EXPECT_FALSE(sinParentesis.allIndexes);
}

struct CasoError {
    const char* texto;
    std::vector<int> numeros;
    const char* primerTexto;
};

TEST(AnalizadorSql, ErrorsAreSqlServers) {
    const std::vector<CasoError> casos = {
        {"DBCC SHOWCONTIG ('T',Ind ex) WITH FAST", {102}, "Incorrect syntax near 'ex'."},
        {"DBCC INDEXDEFRAG (Mi Base, 'T', 'I')", {102}, "Incorrect syntax near 'Base'."},
        {"DBCC SHRINKFILE(Mi log, 1)", {102}, "Incorrect syntax near 'log'."},
        {"BACKUP LOG Mi Base TO DISK='x'", {102}, "Incorrect syntax near 'Base'."},
        {"SELECT * FROM UsuariosPW WHERE Usuario_ID='abc",
         {105, 102},
         "Unclosed quotation mark after the character string 'abc'."},
        {"SELECT * FROM [UsuariosPW",
         {105, 102},
         "Unclosed quotation mark after the character string 'UsuariosPW'."},
        {"SELECT * FROM UsuariosPW WHERE (Usuario_ID='a'", {102}, "Incorrect syntax near ''a''."},
        {"SELECT FROM UsuariosPW", {102}, "Incorrect syntax near 'FROM'."},
        {"DBCC CHECKDB",
         {2526},
         "Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and "
         "options."},
        {"SELECT 1 /* open", {113}, "Missing end comment mark '*/'."},
        {"SELECT 1 2", {102}, "Incorrect syntax near '2'."},
    };
    for (const CasoError& c : casos) {
        const Lote l = AnalizaLote(c.texto);
        EXPECT_TRUE(l.comandos.empty()) << c.texto;
        std::vector<int> numeros;
        for (const MensajeSql& m : l.errores) numeros.push_back(m.numero);
        EXPECT_EQ(numeros, c.numeros) << c.texto;
        if (!l.errores.empty()) {
            EXPECT_EQ(l.errores[0].texto, c.primerTexto) << c.texto;
        }
        for (const MensajeSql& m : l.errores)
            EXPECT_EQ(m.clase, l.errores[0].clase) << "one class per statement";
    }
}

TEST(AnalizadorSql, IndexTreatments) {
    const auto r = Unico<DbReindex>(AnalizaLote("DBCC DBREINDEX ('Clientes', 'PK_Clientes')"));
    EXPECT_EQ(r.tabla.nombre, "Clientes");
    EXPECT_EQ(r.indice->nombre, "PK_Clientes");
    EXPECT_FALSE(Unico<DbReindex>(AnalizaLote("DBCC DBREINDEX ('Clientes', '', 90)")).indice);

    for (const char* texto :
         {"DBCC INDEXDEFRAG (Ventas, 'T', 'I')", "DBCC INDEXDEFRAG ([Ventas], 'T', 'I')",
          "DBCC INDEXDEFRAG ('Ventas', 'T', 'I')"}) {
        const auto d = Unico<IndexDefrag>(AnalizaLote(texto));
        EXPECT_EQ(d.base.nombre, "Ventas") << texto;
        EXPECT_EQ(d.indice.nombre, "I") << texto;
    }
    EXPECT_EQ(*Unico<IndexDefrag>(AnalizaLote("DBCC INDEXDEFRAG (0, 'T', 'I')")).base.numero, 0);
}

TEST(AnalizadorSql, LogAndBackupStatements) {
    const auto s = Unico<ShrinkFile>(AnalizaLote("DBCC SHRINKFILE([Otro log], 1)"));
    EXPECT_EQ(s.archivo.nombre, "Otro log");
    EXPECT_EQ(*s.objetivoMB, 1);

    const auto b = Unico<Backup>(AnalizaLote("BACKUP LOG [Mi Base] TO DISK='C:\\Bak\\O''B.dat'"));
    EXPECT_TRUE(b.log);
    EXPECT_EQ(b.base, "Mi Base");
    EXPECT_EQ(*b.disco, "C:\\Bak\\O'B.dat");

    const auto t = Unico<Backup>(AnalizaLote("BACKUP LOG Ventas WITH TRUNCATE_ONLY"));
    EXPECT_FALSE(t.disco);
    EXPECT_EQ(t.opciones, std::vector<std::string>{"TRUNCATE_ONLY"});

    EXPECT_FALSE(
        Unico<Backup>(AnalizaLote("backup database Ventas to disk = 'x' with init, stats = 10"))
            .log);
    Unico<UpdateStats>(AnalizaLote("sp_updatestats"));
    Unico<UpdateStats>(AnalizaLote("EXEC dbo.sp_updatestats"));
}

TEST(AnalizadorSql, UserQueryConditionKeepsItsShape) {
    const auto s =
        Unico<Seleccion>(AnalizaLote("SELECT * FROM UsuariosPW WHERE (Usuario_ID='Admin' Or "
                                     "Usuario_cd=1) And (Usuario_PW='x''y')"));
    EXPECT_EQ(s.tabla, "UsuariosPW");
    ASSERT_TRUE(s.donde);
    EXPECT_EQ(s.donde->tipo, Expresion::Tipo::Y);
    EXPECT_EQ(s.donde->hijos[0].tipo, Expresion::Tipo::O);
    EXPECT_EQ(s.donde->hijos[1].hijos[1].texto, "x'y");
}

TEST(AnalizadorSql, AQuotedInjectionStaysOneLiteral) {
    const auto s = Unico<Seleccion>(
        AnalizaLote("SELECT * FROM UsuariosPW WHERE (Usuario_ID='x'' Or ''1''=''1')"));
    EXPECT_EQ(s.donde->tipo, Expresion::Tipo::Comparacion);
    EXPECT_EQ(s.donde->hijos[1].texto, "x' Or '1'='1");
}

TEST(AnalizadorSql, SeveralStatementsAndProcedures) {
    const Lote l =
        AnalizaLote("SET NOCOUNT ON\nset textsize 2147483647; USE [Mi Base]\nSELECT 1 AS uno");
    ASSERT_TRUE(l.errores.empty());
    ASSERT_EQ(l.comandos.size(), 4u);
    EXPECT_EQ(std::get<Uso>(l.comandos[2]).base, "Mi Base");
    EXPECT_EQ(std::get<Procedimiento>(AnalizaLote("sp_nada 1, 'x'").comandos.at(0)).nombre,
              "sp_nada");
    EXPECT_FALSE(AnalizaLote("SELECT 1 sp_nada 1").errores.empty())
        << "a procedure name only leads a batch";
}

TEST(AnalizadorSql, HostileInputNeverThrows) {
    const std::vector<std::string> textos = {
        "",
        "(",
        "'",
        "[",
        "\"",
        "DBCC",
        "DBCC SHOWCONTIG (",
        "DBCC SHOWCONTIG ('T',",
        "SELECT",
        "SELECT -",
        "SELECT * FROM",
        "SELECT * FROM .",
        "SELECT * FROM [].x",
        "BACKUP",
        "BACKUP LOG",
        "BACKUP LOG x TO",
        "SELECT a FROM t WHERE",
        "SELECT a FROM t WHERE (((((",
        "SELECT UPPER(",
        std::string(3, '\0'),
        "\xFF\xFE\x80",
        "SELECT TOP ( 5",
        "USE",
        "EXEC",
        ";;;",
        "@@",
        "N'",
    };
    for (const std::string& t : textos) {
        EXPECT_NO_THROW(AnalizaLote(t)) << t;
    }
}

TEST(AnalizadorSql, AlterIndexKeepsTheTableNamesParts) {
    const auto a = Unico<AlterIndex>(
        AnalizaLote("ALTER INDEX [PK x] ON Ventas..[Or.ders] REBUILD WITH (ONLINE = ON)"));
    EXPECT_EQ(a.indice, "PK x");
    EXPECT_EQ(a.tabla, (std::vector<std::string>{"Ventas", "", "Or.ders"}));
    EXPECT_TRUE(a.reconstruir);
    EXPECT_TRUE(a.enLinea);
    for (const char* apagado :
         {"ALTER INDEX I ON T REBUILD WITH (ONLINE = OFF, MAXDOP = 1)",
          "ALTER INDEX I ON T REBUILD",
          "ALTER INDEX I ON T REBUILD PARTITION = ALL WITH (SORT_IN_TEMPDB = ON)"}) {
        EXPECT_FALSE(Unico<AlterIndex>(AnalizaLote(apagado)).enLinea) << apagado;
    }
    EXPECT_TRUE(Unico<AlterIndex>(AnalizaLote("ALTER INDEX I ON T REBUILD WITH (FILLFACTOR = 80, "
                                              "ONLINE = ON (WAIT_AT_LOW_PRIORITY (MAX_DURATION = "
                                              "1 MINUTES, ABORT_AFTER_WAIT = SELF)))"))
                    .enLinea);
    EXPECT_FALSE(AnalizaLote("ALTER INDEX I ON T REBUILD WITH (ONLINE =").errores.empty());
    const auto todos = Unico<AlterIndex>(AnalizaLote("alter index all on dbo.T reorganize"));
    EXPECT_EQ(todos.indice, "");
    EXPECT_FALSE(todos.reconstruir);
    EXPECT_FALSE(AnalizaLote("ALTER INDEX I ON T DISABLE").errores.empty());
}

TEST(AnalizadorSql, SetOptionsKeepTheirNamesAndValues) {
    struct Caso {
        const char* texto;
        std::vector<std::string> opciones;
        std::string valor;
        std::optional<int64_t> numero;
    };
    const std::vector<Caso> casos = {
        {"SET LOCK_TIMEOUT -1", {"LOCK_TIMEOUT"}, "", -1},
        {"set lock_timeout 1800", {"LOCK_TIMEOUT"}, "", 1800},
        {"SET TEXTSIZE 2147483647", {"TEXTSIZE"}, "", 2147483647},
        {"SET TRANSACTION ISOLATION LEVEL READ COMMITTED",
         {"TRANSACTION ISOLATION LEVEL"},
         "READ COMMITTED",
         std::nullopt},
        {"SET ANSI_NULLS, ANSI_PADDING ON", {"ANSI_NULLS", "ANSI_PADDING"}, "ON", std::nullopt},
        {"SET LANGUAGE 'us_english'", {"LANGUAGE"}, "US_ENGLISH", std::nullopt},
        {"SET IDENTITY_INSERT dbo.T OFF", {"IDENTITY_INSERT DBO.T"}, "OFF", std::nullopt},
        {"SET @x = 1", {}, "", std::nullopt},
    };
    for (const Caso& c : casos) {
        const auto f = Unico<Fijar>(AnalizaLote(c.texto));
        EXPECT_EQ(f.opciones, c.opciones) << c.texto;
        EXPECT_EQ(f.valor, c.valor) << c.texto;
        EXPECT_EQ(f.numero, c.numero) << c.texto;
    }
    for (const char* mal : {"SET LOCK_TIMEOUT abc", "SET NOCOUNT", "SET TEXTSIZE ON",
                            "SET TRANSACTION ISOLATION LEVEL", "SET , ON"}) {
        const Lote l = AnalizaLote(mal);
        EXPECT_TRUE(l.comandos.empty()) << mal;
        ASSERT_FALSE(l.errores.empty()) << mal;
        EXPECT_EQ(l.errores[0].numero, 102) << mal;
    }
    // A connect batch without semicolons is one statement per SET.
    EXPECT_EQ(AnalizaLote("SET QUOTED_IDENTIFIER ON\nSET TEXTSIZE 2147483647\nSET NOCOUNT OFF")
                  .comandos.size(),
              3u);
}

TEST(AnalizadorSql, RestoreVerifyOnlyReadsTheFileAndOptions) {
    const auto v = Unico<VerificaRespaldo>(
        AnalizaLote("RESTORE VERIFYONLY FROM DISK='D:\\Bak\\V.dat' WITH CHECKSUM"));
    EXPECT_EQ(v.disco, "D:\\Bak\\V.dat");
    EXPECT_EQ(v.opciones, (std::vector<std::string>{"CHECKSUM"}));
    EXPECT_FALSE(AnalizaLote("RESTORE DATABASE V FROM DISK='x'").errores.empty());
}

}  // namespace
}  // namespace velqor::sqlsim
