#include "common/General.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>
#include <ostream>

#include "CarpetaTemporal.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

struct CasoMensaje {
    const char* plantilla;
    std::vector<Valor> valores;
    const char* esperado;
};

void PrintTo(const CasoMensaje& c, std::ostream* os) { *os << c.plantilla; }

class MensajeTest : public ::testing::TestWithParam<CasoMensaje> {};

TEST_P(MensajeTest, Rellena) {
    EXPECT_EQ(Mensaje(GetParam().plantilla, GetParam().valores), GetParam().esperado);
}

Lista DiezValores() {
    Lista valores;
    for (int i = 1; i <= 10; ++i) {
        valores.push_back(Valor::Texto("v" + std::to_string(i)));
    }
    return valores;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, MensajeTest,
    ::testing::Values(
        CasoMensaje{"Reindex: |1 -> |2", {Valor::Texto("Clientes"), Valor::Texto("PK_Clientes")},
                    "Reindex: Clientes -> PK_Clientes"},
        CasoMensaje{"one||two", {}, "one\r\ntwo"},
        CasoMensaje{"a|||b", {}, "a\r\n|b"},
        CasoMensaje{"||||", {}, "\r\n\r\n"},
        CasoMensaje{"|1 |2 |3", {Valor::Texto("x"), Valor::Texto("y")}, "x y |3"},
        CasoMensaje{"|1", {Valor::Texto("|2"), Valor::Texto("b")}, "b"},
        CasoMensaje{"Plain text", {}, "Plain text"},
        CasoMensaje{"|1 and |1", {Valor::Largo(-5)}, "-5 and -5"},
        CasoMensaje{"|1", {Valor::Texto("a||b")}, "a||b"},
        CasoMensaje{"|a |0 | 1", {Valor::Texto("x")}, "|a |0 | 1"},
        CasoMensaje{"|1 |2 |3", {Valor::Texto("x"), Valor::Nulo(), Valor::Texto("z")}, "x |2 |3"},
        CasoMensaje{"|1 |2", {Valor::Matriz({}), Valor::Texto("y")}, "|1 |2"},
        CasoMensaje{"[|1]", {Valor{}}, "[]"},
        CasoMensaje{"|1 |2 |3", {Valor::Logico(true), Valor::Doble(62.5),
                                 Valor::Fecha(HacerMomento(2024, 3, 5, 10, 0, 2))},
                    "True 62.5 2024-03-05 10:00:02"},
        CasoMensaje{"|10|1", DiezValores(), "v10v1"}));

TEST(Mensaje, ConDiezValoresElPrimeroSeComeElPrincipioDeDiez) {
    Lista valores = DiezValores();
    valores[0] = Valor::Texto("A");
    EXPECT_EQ(Mensaje("|10", valores), "A0");
}

TEST(AgregaLinea, LaLineaLlevaSuSalto) {
    std::string informe;
    AgregaLinea(informe, "first");
    EXPECT_EQ(informe, "first\r\n");
    AgregaLinea(informe, "");
    EXPECT_EQ(informe, "first\r\n\r\n");
}

struct CasoDuracion {
    int64_t segundos;
    const char* llano;
    const char* entreParentesis;
};

void PrintTo(const CasoDuracion& c, std::ostream* os) { *os << c.segundos << " s"; }

class DuracionTest : public ::testing::TestWithParam<CasoDuracion> {};

TEST_P(DuracionTest, PalabrasDelTiempo) {
    const Momento desde = HacerMomento(2024, 3, 5, 10, 0, 0);
    const Momento hasta = desde + std::chrono::seconds{GetParam().segundos};
    EXPECT_EQ(Duracion(desde, false, hasta), GetParam().llano);
    EXPECT_EQ(Duracion(desde, true, hasta), GetParam().entreParentesis);
    // A start in the future gives the same words.
    EXPECT_EQ(Duracion(hasta, false, desde), GetParam().llano);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DuracionTest,
    ::testing::Values(CasoDuracion{0, "<1 second", "(<1 second)"},
                      CasoDuracion{1, "1 Second", "(1 second)"},
                      CasoDuracion{2, "2 Seconds", "(2 seconds)"},
                      CasoDuracion{60, "1 Minute", "(1 minute)"},
                      CasoDuracion{3725, "1 Hour 2 Minutes 5 Seconds", "(1 hour 2 minutes 5 seconds)"},
                      CasoDuracion{86400, "1 Day", "(1 day)"},
                      CasoDuracion{86405, "1 Day 5 Seconds", "(1 day 5 seconds)"},
                      CasoDuracion{90061, "1 Day 1 Hour 1 Minute 1 Second",
                                   "(1 day 1 hour 1 minute 1 second)"},
                      CasoDuracion{2147483647, "24855 Days 3 Hours 14 Minutes 7 Seconds",
                                   "(24855 days 3 hours 14 minutes 7 seconds)"},
                      CasoDuracion{2147483648, "<1 second", "(<1 second)"}));

TEST(Duracion, MomentosExtremosNoDesbordan) {
    const Momento minimo{std::chrono::seconds{std::numeric_limits<int64_t>::min()}};
    const Momento maximo{std::chrono::seconds{std::numeric_limits<int64_t>::max()}};
    EXPECT_EQ(Duracion(minimo, false, maximo), "<1 second");
    EXPECT_EQ(Duracion(maximo, true, minimo), "(<1 second)");
}

TEST(Duracion, HastaAhora) {
    // The clock may tick between the two readings.
    EXPECT_TRUE(Duracion(RelojSistema::Instancia().Ahora() - std::chrono::hours{49}, false)
                    .starts_with("2 Days 1 Hour"));
}

TEST(AgregaUnidad, CantidadesYSeparador) {
    std::string texto;
    AgregaUnidad(texto, 0, "Day", "Days");
    AgregaUnidad(texto, -3, "Day", "Days");
    EXPECT_EQ(texto, "");
    AgregaUnidad(texto, 1, "Day", "Days");
    AgregaUnidad(texto, 2, "Hour", "Hours");
    EXPECT_EQ(texto, "1 Day 2 Hours");
}

TEST(MarcaTiempo, EsElInicioDelProceso) {
    FijaInicioProceso(HacerMomento(2026, 12, 4, 16, 5, 9));
    EXPECT_EQ(MarcaTiempo(), "20261204160509");
}

TEST(FechaHora, DiaMesAnio) {
    EXPECT_EQ(FechaHora(HacerMomento(2026, 12, 4, 16, 5, 9)), "04/12/2026 16:05:09");
    EXPECT_EQ(FechaHora().size(), 19u);
}

TEST(TextoVersion, ParesDesdeLaDerecha) {
    const std::vector<std::pair<int32_t, const char*>> casos = {
        {0, "0"},          {7, "7"},          {12, "12"},           {123, "1.23"},
        {1005, "10.05"},   {20007, "2.00.07"}, {100000, "10.00.00"}, {99, "99"},
        {-5, "-5"},        {-12, "-12"},      {-123, "-1.23"},      {-100000, "-10.00.00"},
        {2147483647, "21.47.48.36.47"},      {-2147483647 - 1, "-21.47.48.36.48"}};
    for (const auto& [numero, texto] : casos) {
        EXPECT_EQ(TextoVersion(numero), texto) << numero;
    }
}

TEST(GrabaTexto, EscribeEn1252ConSaltoFinal) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("informe.txt");
    ASSERT_TRUE(GrabaTexto(ruta, "Año €\r\nline 2"));
    EXPECT_EQ(LeeBytes(ruta), "A\xF1o \x80\r\nline 2\r\n");
    EXPECT_EQ(LeeTexto(ruta), "Año €\r\nline 2\r\n");
}

TEST(GrabaTexto, TextoVacioDejaUnSalto) {
    CarpetaTemporal carpeta;
    ASSERT_TRUE(GrabaTexto(carpeta.En("vacio.txt"), ""));
    EXPECT_EQ(LeeBytes(carpeta.En("vacio.txt")), "\r\n");
}

TEST(GrabaTexto, ReemplazaElArchivoSinDejarRestos) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("datos.txt");
    EscribeBytes(ruta, std::string(1000, 'x'));
    ASSERT_TRUE(GrabaTexto(ruta, "short"));
    EXPECT_EQ(LeeBytes(ruta), "short\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST(GrabaTexto, ConservaLosPermisosDelArchivoAnterior) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("datos.txt");
    EscribeBytes(ruta, "old");
    const auto permisos = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                          std::filesystem::perms::group_read;
    std::filesystem::permissions(ruta, permisos);
    ASSERT_TRUE(GrabaTexto(ruta, "new"));
    EXPECT_EQ(std::filesystem::status(ruta).permissions(), permisos);
}

TEST(GrabaTexto, FallaSinCarpetaOSobreUnaCarpeta) {
    CarpetaTemporal carpeta;
    EXPECT_FALSE(GrabaTexto(carpeta.En("missing/file.txt"), "x"));
    std::filesystem::create_directory(carpeta.En("sub"));
    EXPECT_FALSE(GrabaTexto(carpeta.En("sub"), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(carpeta.En("sub")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST(GrabaTexto, UnaCarpetaSinPermisoConservaElArchivoAnterior) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("datos.txt");
    EscribeBytes(ruta, "old\r\n");
    std::filesystem::permissions(carpeta.Ruta(), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    EXPECT_FALSE(GrabaTexto(ruta, "new"));
    std::filesystem::permissions(carpeta.Ruta(), std::filesystem::perms::owner_all);
    EXPECT_EQ(LeeBytes(ruta), "old\r\n");
}

TEST(LeeTexto, DevuelveLosBytesTalCual) {
    CarpetaTemporal carpeta;
    const std::string ruta = carpeta.En("a.txt");
    EscribeBytes(ruta, std::string("x\0y\r\n\x93z\x94", 8));
    EXPECT_EQ(LeeTexto(ruta), std::string("x\0y\r\n“z”", 12));
}

TEST(LeeTexto, VacioSiNoSePuedeLeer) {
    CarpetaTemporal carpeta;
    EXPECT_EQ(LeeTexto(carpeta.En("missing.txt")), "");
    EXPECT_EQ(LeeTexto(carpeta.Texto()), "");
}

}  // namespace
}  // namespace velqor
