// A month on disk: the file and the journals beside it, loaded together and merged by a save,
// whatever moment a process was killed at.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "CarpetaTemporal.h"
#include "common/General.h"
#include "engine/MesHistorial.h"
#include "engine/TextoHistorial.h"

namespace velqor::prueba {
namespace {

Medicion En(int minuto) {
    const Momento inicio = HacerMomento(2024, 3, 5, 10, minuto, 0);
    return {50, inicio, inicio + std::chrono::seconds(1), 100, true};
}

class MesHistorialTest : public ::testing::Test {
  protected:
    CarpetaTemporal carpeta;
    const std::string archivo = carpeta.En("Ventas_2024_03.ZEVeri");

    HistorialDensidad Carga() {
        HistorialDensidad h;
        bool hallado = false;
        std::string error;
        EXPECT_TRUE(MesHistorial::Carga(archivo, h, hallado, error)) << error;
        return h;
    }
    HistorialDensidad EnArchivo() {
        HistorialDensidad h;
        std::string error;
        EXPECT_TRUE(TextoHistorial::Lee(LeeTexto(archivo), h, error)) << error;
        return h;
    }
    // Saves as an engine does: the file's rows, then the journals.
    bool Guarda(DiarioPropio& propio) {
        HistorialDensidad h;
        std::string error;
        EXPECT_TRUE(TextoHistorial::Lee(LeeTexto(archivo), h, error)) << error;
        return MesHistorial::Guarda(archivo, h, propio);
    }
    // A journal left by a process that has ended.
    std::string Huerfano(const std::string& nombre, const std::string& texto) {
        const std::string ruta = archivo + "." + nombre + ".journal";
        EscribeBytes(ruta, texto);
        return ruta;
    }
    static std::size_t Cuantas(const HistorialDensidad& h) {
        std::size_t n = 0;
        for (const FilaHistorial& f : h.Filas()) n += f.mediciones.size();
        return n;
    }
};

TEST_F(MesHistorialTest, AJournalAloneIsAMonthAndASaveMovesItIntoTheFile) {
    DiarioPropio propio(archivo);
    EXPECT_TRUE(propio.Vacio());
    ASSERT_TRUE(propio.Anota("Orders", "IX_Date", En(1)));
    ASSERT_TRUE(propio.Anota("Orders", "IX_Date", En(1)));
    EXPECT_FALSE(propio.Vacio());
    EXPECT_EQ(MesHistorial::Diarios(archivo),
              std::vector<std::string>{archivo + "." + std::to_string(::getpid()) + ".journal"});
    const HistorialDensidad esperada({{"Orders", "IX_Date", "OrdersIX_Date", {En(1), En(1)}}});
    EXPECT_EQ(Carga(), esperada) << "read before the file was ever written";

    ASSERT_TRUE(Guarda(propio));
    EXPECT_TRUE(propio.Vacio());
    EXPECT_TRUE(MesHistorial::Diarios(archivo).empty());
    EXPECT_EQ(EnArchivo(), esperada);
    EXPECT_EQ(Carga(), esperada);
}

TEST_F(MesHistorialTest, TheJournalOfAnEndedProcessIsMergedOnceAndALiveOneIsLeftToItsWriter) {
    const std::string huerfano = Huerfano(
        "1", DiarioHistorial::Medida("a", "i", En(1)) + DiarioHistorial::Medida("a", "i", En(2)) +
                 DiarioHistorial::Medida("a", "i", En(3)).substr(0, 20));  // killed mid-line
    // Another process still writing its journal holds its lock.
    const std::string vivo = Huerfano("2", DiarioHistorial::Medida("b", "i", En(4)));
    const int fd = ::open(vivo.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    DiarioPropio propio(archivo);
    ASSERT_TRUE(propio.Anota("a", "i", En(5)));
    ASSERT_TRUE(Guarda(propio));
    EXPECT_EQ(EnArchivo(), HistorialDensidad({{"a", "i", "ai", {En(1), En(2), En(5)}}}));
    EXPECT_EQ(MesHistorial::Diarios(archivo), std::vector<std::string>{vivo});
    EXPECT_FALSE(std::filesystem::exists(huerfano));
    EXPECT_EQ(Cuantas(Carga()), 4u) << "the live journal is read, not merged";

    ::close(fd);  // its process ends without saving
    DiarioPropio otro(archivo);
    ASSERT_TRUE(Guarda(otro));
    EXPECT_EQ(Cuantas(EnArchivo()), 4u);
    EXPECT_TRUE(MesHistorial::Diarios(archivo).empty());
}

TEST_F(MesHistorialTest, AProcessKilledAnywhereInASaveLeavesNothingLostOrRepeated) {
    EscribeBytes(archivo, "");
    DiarioPropio primero(archivo);
    ASSERT_TRUE(primero.Anota("a", "i", En(1)));
    ASSERT_TRUE(Guarda(primero));
    const std::string escrito = LeeBytes(archivo);
    const uint64_t huella = DiarioHistorial::Huella(escrito);
    const std::string nueva = DiarioHistorial::Medida("a", "i", En(2));

    struct Caso {
        const char* momento;
        std::string diario;
        std::size_t enElMes;
    };
    const Caso casos[] = {
        // The journal was marked and the file written, but the journal not yet removed.
        {"after the write", nueva + DiarioHistorial::Marca(huella), 1},
        // The mark names a file whose write never happened.
        {"before the write", nueva + DiarioHistorial::Marca(huella + 1), 2},
        // The mark itself was cut short.
        {"during the mark", nueva + DiarioHistorial::Marca(huella).substr(0, 5), 2},
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.momento);
        EscribeBytes(archivo, escrito);
        Huerfano("7", caso.diario);
        // In the first case the measurement is the one the file already holds.
        EXPECT_EQ(Cuantas(Carga()), caso.enElMes);
        DiarioPropio siguiente(archivo);
        ASSERT_TRUE(Guarda(siguiente));
        EXPECT_EQ(Cuantas(EnArchivo()), caso.enElMes);
        EXPECT_TRUE(MesHistorial::Diarios(archivo).empty());
    }
}

TEST_F(MesHistorialTest, AFileThatCannotBeWrittenLeavesTheJournalsAsTheyWere) {
    DiarioPropio propio(archivo);
    ASSERT_TRUE(propio.Anota("a", "i", En(1)));
    const std::string huerfano = Huerfano("3", DiarioHistorial::Medida("b", "i", En(2)));
    const std::string antes = LeeBytes(huerfano);
    std::filesystem::create_directory(archivo);  // the file's name is taken by a folder
    HistorialDensidad h;
    EXPECT_FALSE(MesHistorial::Guarda(archivo, h, propio));
    EXPECT_EQ(LeeBytes(huerfano), antes);
    EXPECT_FALSE(propio.Vacio());
    std::filesystem::remove(archivo);
    EXPECT_EQ(Cuantas(Carga()), 2u);
    ASSERT_TRUE(Guarda(propio));
    EXPECT_EQ(Cuantas(EnArchivo()), 2u);
}

}  // namespace
}  // namespace velqor::prueba
