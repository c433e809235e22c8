// The month's density history file: loaded by Crear, written when the engine ends.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "MotorPrueba.h"
#include "common/General.h"
#include "common/ZEVmat3.h"

namespace velqor::prueba {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

const char* const kEjemplo =
    "N1/0A197/N1/0A173/N1/3T8/ClientesT11/PK_ClientesT19/ClientesPK_ClientesA101/N1/0A80/N1/4N4/"
    "62.5F19/"
    "2024-03-05 10:00:00F19/2024-03-05 "
    "10:00:02N3/100L1/1N3/242N4/2253N3/719N4/4159N4/1474N4/9114N4/2046N5/"
    "11019N4/2291N5/12319\r\n";

class HistorialTest : public MotorPrueba {
  protected:
    // Sets the clock and the run's start to the same moment.
    void EnElMomento(Momento m) {
        reloj.Fija(m);
        FijaInicioProceso(m);
    }
    // One rebuild of Clientes.PK_Clientes from 62.5 to 100 that takes two seconds.
    void TrataClientes() {
        guion.Cuando("DBCC SHOWCONTIG ('",
                     Respuesta::Filas({"ScanDensity"}, {{Valor::Doble(62.5)}}), 1);
        guion.Cuando("DBCC DBREINDEX", Respuesta::Nada().Tarda(2), 1);
        auto conn = Conexion();
        ASSERT_TRUE(motor->DBReindex(*conn, "Clientes", "PK_Clientes", cancelar, informe));
    }
    std::vector<std::string> Archivos() const {
        std::vector<std::string> nombres;
        for (const auto& e : std::filesystem::directory_iterator(carpeta.Ruta())) {
            const std::string n = e.path().filename().string();
            if (n.find(".ZEVeri") != std::string::npos) nombres.push_back(n);
        }
        std::sort(nombres.begin(), nombres.end());
        return nombres;
    }
};

TEST_F(HistorialTest, TreatedIndexIsWrittenInTheArrayTextWhenTheEngineEnds) {
    EnElMomento(HacerMomento(2024, 3, 5, 10, 0, 0));
    ASSERT_TRUE(Crea());
    TrataClientes();
    Libera();
    EXPECT_EQ(LeeBytes(carpeta.En("Ventas_2024_03.ZEVeri")), kEjemplo);
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(HistorialTest, AMissingReportFolderIsMadeAndKeepsTheMeasurements) {
    carpetaInforme = carpeta.En("nueva/informes");
    ASSERT_TRUE(Crea());
    TrataClientes();
    Libera();
    EXPECT_THAT(cuadros, IsEmpty());
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(LeeBytes(carpeta.En("nueva/informes/Ventas_2026_12.ZEVeri")), leido));
    EXPECT_TRUE(leido.ComoLista().at(0).EsMatriz()) << "the measurement is in the new folder";
}

TEST_F(HistorialTest, EngineReleasedWithoutAPassWritesTheEmptyHistory) {
    ASSERT_TRUE(Crea());
    EXPECT_TRUE(motor->Estadistica().Vacio());
    Libera();
    EXPECT_EQ(LeeBytes(carpeta.En("Ventas_2026_12.ZEVeri")), "N1/0E0/N1/0N1/0\r\n");
}

TEST_F(HistorialTest, AnEngineEndingRightAfterItsPassLeavesThePassesWriteAsItIs) {
    const std::string ruta = carpeta.En("Ventas_2026_12.ZEVeri");
    const auto Nodo = [&ruta] {
        struct stat datos {};
        EXPECT_EQ(::stat(ruta.c_str(), &datos), 0) << ruta;
        return datos.st_ino;
    };
    const auto Mediciones = [&ruta] {
        Valor leido;
        EXPECT_TRUE(TextoAMatriz(LeeBytes(ruta), leido));
        std::size_t n = 0;
        const Valor& historia = leido.ComoLista().at(0);
        if (!historia.EsMatriz()) return n;
        for (const Valor& fila : historia.ComoLista())
            n += fila.ComoLista().at(3).ComoLista().size();
        return n;
    };
    for (const bool medidaDespues : {false, true}) {
        SCOPED_TRACE(medidaDespues ? "a measurement after the pass" : "nothing after the pass");
        std::filesystem::remove(ruta);
        ASSERT_TRUE(Crea());
        EXPECT_TRUE(Pasa());
        const ino_t escritoPorElPase = Nodo();
        const std::size_t delPase = Mediciones();
        if (medidaDespues) TrataClientes();
        Libera();
        // Every write replaces the file by a new one.
        EXPECT_EQ(Nodo() != escritoPorElPase, medidaDespues);
        EXPECT_EQ(Mediciones(), delPase + (medidaDespues ? 1 : 0));
    }
}

TEST_F(HistorialTest, NextEngineLoadsTheHistoryAndAddsToTheSameRow) {
    ASSERT_TRUE(Crea());
    TrataClientes();
    const HistorialDensidad primera = motor->Estadistica();
    Libera();
    ASSERT_TRUE(Crea());
    EXPECT_EQ(motor->Estadistica(), primera);
    reloj.Avanza(3600);
    TrataClientes();
    const HistorialDensidad historia = motor->Estadistica();
    ASSERT_EQ(historia.Filas().size(), 1u);
    EXPECT_EQ(historia.Filas()[0].mediciones.size(), 2u);
}

TEST_F(HistorialTest, NamesBeyondAsciiReadBackUnchanged) {
    ASSERT_TRUE(Crea());
    auto conn = Conexion();
    ASSERT_TRUE(motor->DBReindex(*conn, "Canción", "PK_Año", cancelar, informe));
    const HistorialDensidad antes = motor->Estadistica();
    Libera();
    ASSERT_TRUE(Crea());
    EXPECT_EQ(motor->Estadistica(), antes);
    EXPECT_EQ(Archivos(), std::vector<std::string>{"Ventas_2026_12.ZEVeri"});
}

TEST_F(HistorialTest, EachMeasurementGoesToTheFileOfTheMonthItWasMadeIn) {
    // The starts of the treatments in each month's file.
    const auto Inicios = [this](const std::string& nombre) {
        std::vector<Momento> inicios;
        Valor leido;
        EXPECT_TRUE(TextoAMatriz(LeeBytes(carpeta.En(nombre)), leido)) << nombre;
        for (const Valor& fila : leido.ComoLista().at(0).ComoLista()) {
            for (const Valor& m : fila.ComoLista().at(3).ComoLista()) {
                inicios.push_back(m.ComoLista().at(1).ComoFecha());
            }
        }
        return inicios;
    };
    const Momento marzo = HacerMomento(2024, 3, 31, 22, 0, 0);
    EnElMomento(marzo);
    ASSERT_TRUE(Crea());
    TrataClientes();
    Libera();
    ASSERT_EQ(Inicios("Ventas_2024_03.ZEVeri"), std::vector<Momento>{marzo});

    // A window opened on the last evening of March treats an index before midnight, then runs a
    // pass after it: the pass starts in April.
    const Momento antesDeMedianoche = HacerMomento(2024, 3, 31, 23, 59, 0);
    EnElMomento(antesDeMedianoche);
    ASSERT_TRUE(Crea());
    TrataClientes();
    reloj.Fija(HacerMomento(2024, 4, 1, 0, 30, 0));
    EXPECT_TRUE(Pasa());
    Libera();
    EXPECT_EQ(Inicios("Ventas_2024_03.ZEVeri"), (std::vector<Momento>{marzo, antesDeMedianoche}));
    EXPECT_EQ(Inicios("Ventas_2024_04.ZEVeri"),
              std::vector<Momento>{HacerMomento(2024, 4, 1, 0, 30, 0)});
    EXPECT_EQ(Archivos(),
              (std::vector<std::string>{"Ventas_2024_03.ZEVeri", "Ventas_2024_04.ZEVeri"}))
        << "no journal is left";
}

TEST_F(HistorialTest, HistoryThatDoesNotReadBackIsKeptAsideNotOverwritten) {
    std::string ajenoTexto;
    ASSERT_TRUE(MatrizATexto(Valor::Matriz({Valor::Texto("no es una historia")}), ajenoTexto));
    std::string dosEntradas;
    ASSERT_TRUE(MatrizATexto(Valor::Matriz({Valor(), Valor()}), dosEntradas));
    std::string alterado = kEjemplo;
    alterado.replace(alterado.find("62.5"), 4, "72.5");  // the checksums no longer agree
    const std::string casos[] = {"basura sin formato", alterado, ajenoTexto, dosEntradas};
    for (const std::string& contenido : casos) {
        SCOPED_TRACE(contenido);
        for (const auto& n : Archivos()) std::filesystem::remove(carpeta.En(n));
        EnElMomento(HacerMomento(2026, 12, 4, 16, 35, 41));
        EscribeBytes(carpeta.En("Ventas_2026_12.ZEVeri"), contenido);
        ASSERT_TRUE(Crea());
        EXPECT_TRUE(motor->Estadistica().Vacio());
        TrataClientes();
        Libera();
        EXPECT_EQ(Archivos(),
                  (std::vector<std::string>{"Ventas_2026_12.ZEVeri",
                                            "Ventas_2026_12.ZEVeri.damaged-20261204163541"}));
        EXPECT_EQ(LeeBytes(carpeta.En("Ventas_2026_12.ZEVeri.damaged-20261204163541")), contenido);
        Valor nuevo;
        EXPECT_TRUE(TextoAMatriz(LeeBytes(carpeta.En("Ventas_2026_12.ZEVeri")), nuevo));
        // The operator is told once, when the engine is bound.
        ASSERT_EQ(cuadros.size(), 1u);
        EXPECT_THAT(cuadros[0],
                    HasSubstr("is damaged; it was kept as " +
                              carpeta.En("Ventas_2026_12.ZEVeri.damaged-20261204163541")));
        cuadros.clear();
    }
}

TEST_F(HistorialTest, HistoryThatCannotBeWrittenIsReported) {
    // A folder below a regular file can be made by nobody, root included.
    EscribeBytes(carpeta.En("archivo"), "not a folder");
    carpetaInforme = carpeta.En("archivo/no-existe");
    ASSERT_TRUE(Crea());
    TrataClientes();
    Libera();
    ASSERT_EQ(cuadros.size(), 1u);
    EXPECT_THAT(cuadros[0], HasSubstr("The density history could not be written to " +
                                      carpeta.En("archivo/no-existe/Ventas_2026_12.ZEVeri") +
                                      ": Not a directory"));

    FijaDesatendido(true);
    ASSERT_TRUE(Crea());
    Libera();
    EXPECT_THAT(LeeBytes(ArchivoLog()), HasSubstr("The density history could not be written to"));
    EXPECT_EQ(cuadros.size(), 1u);
}

TEST_F(HistorialTest, FileNameComesFromTheDefinitionNameMadeSafe) {
    EscribeCfp("Ventas: 2024", "sql01", "Ventas");
    motor = std::make_unique<Velqor>(guion.Fabrica(), reloj);
    bool noEsSQL = false;
    ASSERT_TRUE(motor->Crear(carpeta.Texto(), "Ventas: 2024", carpeta.Texto(), noEsSQL));
    Libera();
    EXPECT_EQ(Archivos(), std::vector<std::string>{"Ventas_ 2024_2026_12.ZEVeri"});
}

}  // namespace
}  // namespace velqor::prueba
