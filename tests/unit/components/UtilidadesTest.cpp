#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "CarpetaTemporal.h"
#include "components/Utilidades.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

TEST(UtilidadesExisteArchivo, OnlyRegularFilesExist) {
    CarpetaTemporal carpeta;
    EscribeBytes(carpeta.En("f.ZEVcos"), "");
    std::filesystem::create_directory(carpeta.En("d"));
    int32_t atributos = 0;
    EXPECT_TRUE(Utilidades::ExisteArchivo(carpeta.En("f.ZEVcos"), atributos));
    EXPECT_FALSE(Utilidades::ExisteArchivo(carpeta.En("d"), atributos));
    EXPECT_FALSE(Utilidades::ExisteArchivo(carpeta.En("missing"), atributos));
    EXPECT_FALSE(Utilidades::ExisteArchivo("", atributos));
    EXPECT_EQ(atributos, 0);
}

TEST(UtilidadesNombreParaArchivo, GivesASafeNameEveryTime) {
    const struct {
        std::string nombre, archivo;
    } casos[] = {
        {"Ventas", "Ventas"},
        {"Ventas 2024 (copia)", "Ventas 2024 (copia)"},
        {"a\\b/c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\nnl\x7F", "tab_here_nl_"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"Año €", "Año €"},
        {".", "_"},
        {"..", "__"},
        {"", "_"},
        {".hidden", ".hidden"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(Utilidades::NombreParaArchivo(c.nombre), c.archivo) << c.nombre;
        EXPECT_EQ(Utilidades::NombreParaArchivo(c.nombre), Utilidades::NombreParaArchivo(c.nombre));
    }
}

TEST(UtilidadesRellenaCeros, PadsToTheWidth) {
    const struct {
        int32_t valor;
        int16_t ancho;
        std::string texto;
    } casos[] = {
        {7, 2, "07"},   {0, 2, "00"}, {99, 2, "99"}, {123, 2, "123"},
        {-7, 2, "-07"}, {5, 0, "5"},  {5, -3, "5"},  {-2147483647 - 1, 2, "-2147483648"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(Utilidades::RellenaCeros(c.valor, c.ancho), c.texto) << c.valor;
}

TEST(UtilidadesLeeArchivoLimitado, ReadsUpToTheLimit) {
    CarpetaTemporal carpeta;
    EscribeBytes(carpeta.En("f"), std::string("a\0b", 3));
    std::string bytes = "untouched";
    ASSERT_TRUE(Utilidades::LeeArchivoLimitado(carpeta.En("f"), 3, bytes));
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    bytes = "untouched";
    EXPECT_FALSE(Utilidades::LeeArchivoLimitado(carpeta.En("f"), 2, bytes));
    EXPECT_FALSE(Utilidades::LeeArchivoLimitado(carpeta.En("missing"), 10, bytes));
    EXPECT_FALSE(Utilidades::LeeArchivoLimitado(carpeta.Texto(), 10, bytes));
    EXPECT_EQ(bytes, "untouched");
}

TEST(UtilidadesGrabaArchivoPrivado, ReplacesAtomicallyForTheOwnerOnly) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("f");
    EscribeBytes(ruta, "old");
    ASSERT_EQ(::chmod(ruta.c_str(), 0666), 0);
    ASSERT_TRUE(Utilidades::GrabaArchivoPrivado(ruta, "new"));
    EXPECT_EQ(LeeBytes(ruta), "new");
    struct stat st {};
    ASSERT_EQ(::stat(ruta.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600U);
    EXPECT_FALSE(Utilidades::GrabaArchivoPrivado(carpeta.En("missing/f"), "x"));
    EXPECT_FALSE(Utilidades::GrabaArchivoPrivado("", "x"));
}

TEST(UtilidadesGrabaArchivoPrivado, ReadOnlyFolderFailsAndKeepsTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("f");
    EscribeBytes(ruta, "old");
    ASSERT_EQ(::chmod(carpeta.Texto().c_str(), 0500), 0);
    EXPECT_FALSE(Utilidades::GrabaArchivoPrivado(ruta, "new"));
    EXPECT_EQ(LeeBytes(ruta), "old");
}

}  // namespace
}  // namespace velqor
