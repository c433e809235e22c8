#include "common/ZEVmat3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <random>

#include "common/General.h"
#include "common/LectorMatriz.h"

namespace velqor {
namespace {

Valor T(std::string s) { return Valor::Texto(std::move(s)); }
Valor N(double v) { return Valor::Doble(v); }
Valor A(Lista l) { return Valor::Matriz(std::move(l)); }

// Collects the message boxes shown while it lives.
class Avisos {
public:
    Avisos() {
        InstalaCuadroMensaje([this](const std::string& texto, const std::string&) { textos.push_back(texto); });
    }
    ~Avisos() { InstalaCuadroMensaje({}); }
    Avisos(const Avisos&) = delete;
    Avisos& operator=(const Avisos&) = delete;
    std::vector<std::string> textos;
};

Valor Historia() {
    const Valor medicion = A({N(62.5), Valor::Fecha(HacerMomento(2024, 3, 5, 10, 0, 0)),
                              Valor::Fecha(HacerMomento(2024, 3, 5, 10, 0, 2)), N(100), Valor::Logico(true)});
    const Valor fila = A({T("Clientes"), T("PK_Clientes"), T("ClientesPK_Clientes"), A({medicion})});
    return A({A({fila})});
}

const std::string kHistoria =
    "N1/0A197/N1/0A173/N1/3T8/ClientesT11/PK_ClientesT19/ClientesPK_ClientesA101/N1/0A80/N1/4N4/62.5"
    "F19/2024-03-05 10:00:00F19/2024-03-05 10:00:02N3/100L1/1N3/242N4/2253N3/719N4/4159N4/1474N4/9114"
    "N4/2046N5/11019N4/2291N5/12319";

struct CasoEjemplo {
    const char* nombre;
    Valor escrito;
    std::string texto;
    Valor leido;  // every number comes back as a Double
};

void PrintTo(const CasoEjemplo& c, std::ostream* os) { *os << c.nombre; }

class EjemploTest : public ::testing::TestWithParam<CasoEjemplo> {};

TEST_P(EjemploTest, EscribeExactamenteYLeeDeVuelta) {
    Avisos avisos;
    std::string texto;
    ASSERT_TRUE(MatrizATexto(GetParam().escrito, texto));
    EXPECT_EQ(texto, GetParam().texto);
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido));
    EXPECT_EQ(leido, GetParam().leido);
    // A line end after the text (as a file has it) is not looked at.
    ASSERT_TRUE(TextoAMatriz(texto + "\r\n", leido));
    EXPECT_EQ(leido, GetParam().leido);
    EXPECT_TRUE(avisos.textos.empty());
}

const Valor kMitadYNulo = A({Valor::Doble(1.5), Valor::Nulo()});
const Valor kAltosYAscii = A({T("ñabcdefghijk"), A({T("ÿ0123456789/N1/"), N(2.5)})});

INSTANTIATE_TEST_SUITE_P(
    Casos, EjemploTest,
    ::testing::Values(
        CasoEjemplo{"TresEntradas", A({T("ab"), Valor::Entero(5), Valor::Logico(true)}),
                    "N1/2T2/abN1/5L1/1N1/1N3/297", A({T("ab"), N(5), Valor::Logico(true)})},
        CasoEjemplo{"UnVacio", A({Valor{}}), "N1/0E0/N1/0N1/0", A({Valor{}})},
        CasoEjemplo{"MitadYNulo", kMitadYNulo, "N1/1N3/1.5Z0/N2/10N3/148", kMitadYNulo},
        CasoEjemplo{"Anidada", A({kMitadYNulo}), "N1/0A24/N1/1N3/1.5Z0/N2/10N3/148N3/320N4/1337",
                    A({kMitadYNulo})},
        CasoEjemplo{"Historia", Historia(), kHistoria, Historia()},
        CasoEjemplo{"HistoriaVacia", A({Valor{}}), "N1/0E0/N1/0N1/0", A({Valor{}})},
        CasoEjemplo{"Numeros",
                    A({Valor::Doble(0.5), Valor::Largo(7), Valor::Simple(0.1f), Valor::Byte(255),
                       Valor::Decimal(-2.25), Valor::Doble(1e20), Valor::Doble(-1e-5)}),
                    "N1/6N2/.5N1/7N2/.1N3/255N5/-2.25N5/1E+20N6/-1E-05N3/140N4/1217",
                    A({N(0.5), N(7), N(0.1), N(255), N(-2.25), N(1e20), N(-1e-5)})},
        CasoEjemplo{"Logicos", A({Valor::Logico(true), Valor::Logico(false)}), "N1/1L1/1L1/0N1/0N2/97",
                    A({Valor::Logico(true), Valor::Logico(false)})},
        CasoEjemplo{"VaciosNoSuman", A({T(""), Valor{}, Valor::Nulo()}), "N1/2T0/E0/Z0/N1/0N1/0",
                    A({T(""), Valor{}, Valor::Nulo()})},
        CasoEjemplo{"CaracteresSinEscape", A({T("a/b\r\n12N3/")}),
                    "N1/0T10/a/b\r\n12N3/N3/288N3/540", A({T("a/b\r\n12N3/")})},
        CasoEjemplo{"LongitudEnCaracteres", A({T("ñ€")}), "N1/0T2/ñ€N3/113N3/369", A({T("ñ€")})},
        CasoEjemplo{"FueraDeLaPaginaCuentaComoInterrogacion", A({T("日x")}), "N1/0T2/日xN2/57N3/183",
                    A({T("日x")})},
        // Codes above 128 followed by a long run of ASCII, at two levels.
        CasoEjemplo{"CodigosAltosAntesDeAscii", kAltosYAscii,
                    "N1/1T12/ñabcdefghijkA42/N1/1T15/ÿ0123456789/N1/N3/2.5N3/299N4/1150N3/968N4/3861",
                    kAltosYAscii}),
    [](const ::testing::TestParamInfo<CasoEjemplo>& info) { return std::string(info.param.nombre); });

TEST(MatrizATexto, NoMatrizDaFalsoSinMensaje) {
    Avisos avisos;
    std::string texto = "previous";
    EXPECT_FALSE(MatrizATexto(T("x"), texto));
    EXPECT_EQ(texto, "");
    EXPECT_FALSE(MatrizATexto(Valor{}, texto));
    EXPECT_TRUE(avisos.textos.empty());
}

TEST(MatrizATexto, MonedaNoSePuedeEscribir) {
    Avisos avisos;
    std::string texto;
    EXPECT_FALSE(MatrizATexto(A({T("ab"), Valor::Moneda(1), T("cd")}), texto));
    EXPECT_EQ(texto, "N1/2T2/ab");
    ASSERT_EQ(avisos.textos.size(), 1u);
    EXPECT_EQ(avisos.textos[0],
              "Esta versión de common_test no puede transformar matrices con datos de tipo: Currency");
}

TEST(MatrizATexto, FalloAnidadoDaUnSoloMensaje) {
    Avisos avisos;
    std::string texto;
    EXPECT_FALSE(MatrizATexto(A({T("ab"), A({A({N(1), Valor::Moneda(1)})}), T("cd")}), texto));
    EXPECT_EQ(texto, "N1/2T2/ab");
    EXPECT_EQ(avisos.textos.size(), 1u);
}

TEST(MatrizATexto, MatrizSinEntradasSeEscribePeroNoSeLee) {
    std::string texto;
    ASSERT_TRUE(MatrizATexto(A({}), texto));
    EXPECT_EQ(texto, "N2/-1N1/0N1/0");
    Valor leido;
    EXPECT_FALSE(TextoAMatriz(texto, leido));
}

TEST(MatrizATexto, FechaAlSegundo) {
    const Momento momento = HacerMomento(1999, 12, 31, 23, 59, 59);
    std::string texto;
    ASSERT_TRUE(MatrizATexto(A({Valor::Fecha(momento)}), texto));
    EXPECT_EQ(texto.substr(0, 27), "N1/0F19/1999-12-31 23:59:59");
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido));
    EXPECT_EQ(leido.ComoLista()[0].ComoFecha(), momento);
}

TEST(MatrizATexto, LosExtremosQueSeEscribenSeLeenDeVuelta) {
    const double extremos[] = {std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest(),
                               std::nextafter(std::numeric_limits<double>::max(), 0.0),
                               1.79769313486231e308,
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min()};
    for (const double d : extremos) {
        std::string texto;
        ASSERT_TRUE(MatrizATexto(A({Valor::Doble(d)}), texto)) << d;
        Valor leido;
        ASSERT_TRUE(TextoAMatriz(texto, leido)) << texto;
        const double vuelta = leido.ComoLista()[0].ComoDoble();
        EXPECT_TRUE(std::isfinite(vuelta)) << texto;
        EXPECT_NEAR(vuelta / d, 1.0, 1e-14) << texto;
    }
    const Momento ultimo = HacerMomento(9999, 12, 31, 23, 59, 59);
    std::string texto;
    ASSERT_TRUE(MatrizATexto(A({Valor::Fecha(ultimo)}), texto));
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido));
    EXPECT_EQ(leido.ComoLista()[0].ComoFecha(), ultimo);
}

TEST(MatrizATexto, UnaFechaSinAnioDeCuatroCifrasNoSeEscribe) {
    for (const Momento m : {HacerMomento(10000, 1, 1), HacerMomento(-1, 12, 31, 23, 59, 59)}) {
        Avisos avisos;
        std::string texto;
        EXPECT_FALSE(MatrizATexto(A({T("ab"), Valor::Fecha(m)}), texto));
        EXPECT_EQ(texto, "N1/1T2/ab");
        ASSERT_EQ(avisos.textos.size(), 1u);
        EXPECT_NE(avisos.textos[0].find("cannot write dates outside the years 0 to 9999"),
                  std::string::npos);
    }
}

TEST(MatrizATexto, UnaSumaQueDesbordaFalla) {
    // 8.5 million characters of code 255 take the code sum past 2^31 - 1.
    std::string largo;
    for (int i = 0; i < 8'500'000; ++i) {
        largo += "ÿ";
    }
    std::string texto;
    EXPECT_FALSE(MatrizATexto(A({T("a"), T(largo)}), texto));
    EXPECT_EQ(texto, "N1/1T1/a");

    Valor leido;
    EXPECT_FALSE(TextoAMatriz("N1/0T8500000/" + largo + "N1/0N1/0", leido));
    // Read back, the entries before the one that takes a sum past 32 bits are kept.
    EXPECT_FALSE(TextoAMatriz("N1/2T1/aT8500000/" + largo + "T1/bN1/0N1/0", leido));
    EXPECT_EQ(leido, A({T("a")}));
}

Valor Anidada(int niveles) {
    Valor v = A({});
    for (int i = 1; i < niveles; ++i) {
        v = A({std::move(v)});
    }
    return v;
}

TEST(MatrizATexto, ProfundidadLimitada) {
    std::string texto;
    ASSERT_TRUE(MatrizATexto(Anidada(999), texto));
    // The innermost array has no entries, so it does not read back; one entry makes it readable.
    Valor profunda = Anidada(999);
    Valor* interior = &profunda;
    while (!interior->ComoLista().empty()) {
        interior = &interior->ComoLista()[0];
    }
    interior->ComoLista().push_back(N(1));
    ASSERT_TRUE(MatrizATexto(profunda, texto));
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido));
    EXPECT_EQ(leido, profunda);

    EXPECT_FALSE(MatrizATexto(Anidada(1001), texto));
    EXPECT_FALSE(TextoAMatriz("N1/0A15/" + texto, leido));
}

struct CasoDanado {
    const char* nombre;
    std::string texto;
};

void PrintTo(const CasoDanado& c, std::ostream* os) { *os << c.nombre; }

class TextoDanadoTest : public ::testing::TestWithParam<CasoDanado> {};

TEST_P(TextoDanadoTest, NoSeLee) {
    Valor leido;
    EXPECT_FALSE(TextoAMatriz(GetParam().texto, leido));
}

std::string Repite(std::string_view trozo, int veces) {
    std::string r;
    for (int i = 0; i < veces; ++i) {
        r += trozo;
    }
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, TextoDanadoTest,
    ::testing::Values(
        CasoDanado{"Vacio", ""},
        CasoDanado{"SumaDeSaltosCambiada", "N1/2T2/abN1/5L1/1N1/2N3/297"},
        CasoDanado{"SumaDeCodigosCambiada", "N1/2T2/abN1/5L1/1N1/1N3/298"},
        CasoDanado{"CaracterCambiado", "N1/2T2/acN1/5L1/1N1/1N3/297"},
        CasoDanado{"SumaNoNumerica", "N1/0E0/N1/0T1/0"},
        CasoDanado{"EtiquetaDesconocida", "N1/0X0/N1/0N1/0"},
        CasoDanado{"EtiquetaMinuscula", "N1/0e0/N1/0N1/0"},
        CasoDanado{"LimiteNegativo", "N2/-2N1/0N1/0"},
        CasoDanado{"LimiteNoNumerico", "T1/0E0/N1/0N1/0"},
        CasoDanado{"LimiteEnorme", "N10/2000000000E0/N1/0N1/0"},
        CasoDanado{"LimiteFueraDe32Bits", "N10/3000000000E0/N1/0N1/0"},
        CasoDanado{"SinBarra", "N1/0E0N1/0N1/0"},
        CasoDanado{"LongitudVacia", "N1/0E/N1/0N1/0"},
        CasoDanado{"LongitudNoNumerica", "N1/0T1x/aN2/0N2/97"},
        CasoDanado{"NumeroNoValido", "N1/0N3/1,5N1/0N3/146"},
        CasoDanado{"FechaNoValida", "N1/0F19/2024-13-05 10:00:00N1/0N4/1000"},
        CasoDanado{"BarraDemasiadoLejos", "N1/0T0000000000000000001/aN1/0N2/97"},
        CasoDanado{"AnidadaMasLargaQueSuElemento", "N1/0A23/N1/1N3/1.5Z0/N2/10N3/148N3/320N4/1337"},
        CasoDanado{"AnidadaVacia", "N1/0A0/N1/0N1/0"},
        CasoDanado{"AnidamientoHostil", Repite("N1/0A99999999/", 200000)},
        CasoDanado{"MuchasEntradasAnunciadas", "N7/9999999" + Repite("E0/", 1000)},
        // Length digits beyond what 64 bits hold, and the longest length the window holds.
        CasoDanado{"LongitudDeCienNueves", "N" + Repite("9", 100) + "N"},
        CasoDanado{"LongitudDeDieciochoNueves", "N1/0A" + Repite("9", 18) + "/N1/0E0/N1/0N1/0"}),
    [](const ::testing::TestParamInfo<CasoDanado>& info) { return std::string(info.param.nombre); });

TEST(TextoAMatriz, BarraDentroDeLaVentana) {
    // Tag and 18 length digits fill the 19 characters before the "/".
    Valor leido;
    ASSERT_TRUE(TextoAMatriz("N1/0T000000000000000001/aN1/0N2/97", leido));
    EXPECT_EQ(leido, A({T("a")}));
}

TEST(TextoAMatriz, NumerosDeMasDeQuinceCifras) {
    Valor leido;
    ASSERT_TRUE(
        TextoAMatriz("N1/1N20/12345678901234567890N18/-00000000000000.25N2/47N4/1916", leido));
    EXPECT_EQ(leido, A({N(12345678901234567890.0), N(-0.25)}));
}

TEST(TextoAMatriz, NumerosDeCualquierLongitudSeLeenSinDesbordar) {
    for (const int cifras : {15, 16, 17, 18, 19, 20, 100, 308, 309, 400}) {
        const std::string nueves = Repite("9", cifras);
        for (const std::string& numero : {nueves, "-" + nueves, nueves + ".5", "-0." + nueves}) {
            SCOPED_TRACE(numero);
            // Beyond the largest double the text is refused, as from_chars refuses it.
            const bool cabe = cifras <= 308 || numero.starts_with("-0.");
            double leido = 0;
            ASSERT_EQ(zev::LectorMatriz::TextoANumero(numero, leido), cabe);
            if (cabe) {
                EXPECT_EQ(leido, std::strtod(numero.c_str(), nullptr));
            }
        }
    }
    // A number of one hundred nines inside an array text, where every file's numbers are read:
    // the sums cover the value's text alone, so a text of those digits turned into a number keeps
    // them.
    std::string texto;
    ASSERT_TRUE(MatrizATexto(A({T(Repite("9", 100))}), texto));
    texto.replace(texto.find("T100/"), 5, "N100/");
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido)) << texto;
    EXPECT_EQ(leido, A({N(1e100)}));
}

TEST(TextoAMatriz, LogicoConOtroTextoEsVerdadero) {
    Valor leido;
    ASSERT_TRUE(TextoAMatriz("N1/1L1/xL1/0N1/0N3/168", leido));
    EXPECT_EQ(leido, A({Valor::Logico(true), Valor::Logico(false)}));
}

TEST(TextoAMatriz, RestoDentroDeUnaAnidadaCuentaEnLasSumasDelPadre) {
    // The nested element announces 26 characters; the last two follow the nested array's checksums.
    Valor leido;
    ASSERT_TRUE(TextoAMatriz("N1/0A26/N1/1N3/1.5Z0/N2/10N3/148xyN3/385N4/1578", leido));
    EXPECT_EQ(leido, A({kMitadYNulo}));
    EXPECT_FALSE(TextoAMatriz("N1/0A26/N1/1N3/1.5Z0/N2/10N3/148xyN3/320N4/1337", leido));
}

TEST(TextoAMatriz, CualquierCorteFalla) {
    for (std::size_t largo = 0; largo < kHistoria.size(); ++largo) {
        Valor leido;
        EXPECT_FALSE(TextoAMatriz(std::string_view(kHistoria).substr(0, largo), leido)) << largo;
    }
}

TEST(TextoAMatriz, TextoAlteradoNuncaRompe) {
    std::mt19937 azar(20240305);
    const std::string alfabeto = "NTFLEZA0123456789/-.:ab \r\n\xC3\xB1";
    for (int prueba = 0; prueba < 5000; ++prueba) {
        std::string texto = kHistoria;
        const int cambios = 1 + static_cast<int>(azar() % 4);
        for (int c = 0; c < cambios; ++c) {
            const std::size_t pos = azar() % texto.size();
            switch (azar() % 3) {
                case 0: texto[pos] = alfabeto[azar() % alfabeto.size()]; break;
                case 1: texto.erase(pos, 1 + azar() % 8); break;
                default: texto.insert(pos, 1, alfabeto[azar() % alfabeto.size()]); break;
            }
            if (texto.empty()) {
                texto = "N";
            }
        }
        Valor leido;
        (void)TextoAMatriz(texto, leido);
    }
}

TEST(TextoAMatriz, ValoresLargosVanYVuelven) {
    std::string largo;
    for (int i = 0; i < 100000; ++i) {
        largo += static_cast<char>('a' + i % 26);
        if (i % 1000 == 0) {
            largo += "€/\r\n";
        }
    }
    const Valor matriz = A({T(largo), A({T(largo), A({T(largo)})})});
    std::string texto;
    ASSERT_TRUE(MatrizATexto(matriz, texto));
    Valor leido;
    ASSERT_TRUE(TextoAMatriz(texto, leido));
    EXPECT_EQ(leido, matriz);
}

}  // namespace
}  // namespace velqor
