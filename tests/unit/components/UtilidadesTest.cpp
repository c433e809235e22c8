#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velqor
