#include "common/Valor.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

#include "common/ErrorEjecucion.h"

namespace velqor {
namespace {

struct CasoNumero {
    double numero;
    int digitos;
    const char* texto;
};

void PrintTo(const CasoNumero& c, std::ostream* os) { *os << c.texto; }

class NumeroATextoTest : public ::testing::TestWithParam<CasoNumero> {};

TEST_P(NumeroATextoTest, EscribeComoElConversorSinLocale) {
    EXPECT_EQ(NumeroATexto(GetParam().numero, GetParam().digitos), GetParam().texto);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NumeroATextoTest,
    ::testing::Values(CasoNumero{0, 15, "0"}, CasoNumero{-0.0, 15, "0"}, CasoNumero{7, 15, "7"},
                      CasoNumero{-7, 15, "-7"}, CasoNumero{0.5, 15, ".5"},
                      CasoNumero{-0.5, 15, "-.5"}, CasoNumero{1.5, 15, "1.5"},
                      CasoNumero{62.5, 15, "62.5"}, CasoNumero{100, 15, "100"},
                      CasoNumero{2147483647, 15, "2147483647"},
                      CasoNumero{-2147483648.0, 15, "-2147483648"},
                      CasoNumero{0.1, 15, ".1"}, CasoNumero{1.0 / 3, 15, ".333333333333333"},
                      CasoNumero{2.0 / 3, 15, ".666666666666667"},
                      CasoNumero{123456789012345, 15, "123456789012345"},
                      CasoNumero{1234567890123456, 15, "1.23456789012346E+15"},
                      CasoNumero{1e15, 15, "1E+15"}, CasoNumero{1e20, 15, "1E+20"},
                      CasoNumero{-1.5e100, 15, "-1.5E+100"}, CasoNumero{0.0001, 15, ".0001"},
                      CasoNumero{0.00001, 15, "1E-05"}, CasoNumero{0.0000123, 15, "1.23E-05"},
                      CasoNumero{5e-324, 15, "4.94065645841247E-324"},
                      CasoNumero{999999999999999.9, 15, "1E+15"},
                      CasoNumero{static_cast<float>(0.1), 7, ".1"},
                      CasoNumero{static_cast<float>(1.0 / 3), 7, ".3333333"},
                      CasoNumero{1234567, 7, "1234567"}, CasoNumero{12345678, 7, "1.234568E+07"},
                      CasoNumero{0.1 + 0.2, 15, ".3"}, CasoNumero{93.031, 17, "93.031000000000006"},
                      CasoNumero{8.0930907204420165e-310, 15, "8.09309072044202E-310"},
                      CasoNumero{99999999999999.98, 15, "100000000000000"}));

TEST(NumeroATexto, SuTextoVuelveAlMismoNumero) {
    for (const double v : {0.5, -0.5, 1e20, 1e-5, 62.5, 1.0 / 3, 5e-324, -1.7976931348623157e308, 3.0}) {
        const std::string texto = NumeroATexto(v, 17);
        double leido = 0;
        const auto r = std::from_chars(texto.data(), texto.data() + texto.size(), leido);
        ASSERT_EQ(r.ptr, texto.data() + texto.size()) << texto;
        EXPECT_EQ(leido, v) << texto;
    }
}

TEST(NumeroATexto, NoNumerosNoRompen) {
    EXPECT_EQ(NumeroATexto(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(NumeroATexto(std::numeric_limits<double>::infinity()), "Inf");
    EXPECT_EQ(NumeroATexto(-std::numeric_limits<double>::infinity()), "-Inf");
}

struct CasoATexto {
    Valor valor;
    const char* texto;
};

void PrintTo(const CasoATexto& c, std::ostream* os) { *os << c.valor.NombreTipo() << " " << c.texto; }

class ATextoTest : public ::testing::TestWithParam<CasoATexto> {};

TEST_P(ATextoTest, ComoCStr) { EXPECT_EQ(GetParam().valor.ATexto(), GetParam().texto); }

INSTANTIATE_TEST_SUITE_P(
    Casos, ATextoTest,
    ::testing::Values(CasoATexto{Valor{}, ""}, CasoATexto{Valor::Texto("abc"), "abc"},
                      CasoATexto{Valor::Entero(-32768), "-32768"},
                      CasoATexto{Valor::Largo(4208), "4208"}, CasoATexto{Valor::Byte(255), "255"},
                      CasoATexto{Valor::Doble(0.5), "0.5"}, CasoATexto{Valor::Doble(-0.25), "-0.25"},
                      CasoATexto{Valor::Doble(62.5), "62.5"}, CasoATexto{Valor::Simple(0.1f), "0.1"},
                      CasoATexto{Valor::Moneda(12.5), "12.5"}, CasoATexto{Valor::Decimal(3), "3"},
                      CasoATexto{Valor::Logico(true), "True"}, CasoATexto{Valor::Logico(false), "False"},
                      CasoATexto{Valor::Fecha(HacerMomento(2024, 3, 5, 10, 0, 2)),
                                 "2024-03-05 10:00:02"}));

TEST(Valor, NuloYMatrizNoTienenTexto) {
    for (const Valor& v : {Valor::Nulo(), Valor::Matriz({})}) {
        try {
            (void)v.ATexto();
            FAIL() << v.NombreTipo();
        } catch (const ErrorEjecucion& e) {
            EXPECT_EQ(e.Numero(), errores::kTipoIncompatible);
        }
    }
}

TEST(Valor, NombresDeTipo) {
    const std::vector<std::pair<Valor, std::string_view>> casos = {
        {Valor{}, "Empty"},           {Valor::Nulo(), "Null"},         {Valor::Entero(1), "Integer"},
        {Valor::Largo(1), "Long"},    {Valor::Simple(1), "Single"},    {Valor::Doble(1), "Double"},
        {Valor::Decimal(1), "Decimal"}, {Valor::Byte(1), "Byte"},      {Valor::Moneda(1), "Currency"},
        {Valor::Texto(""), "String"}, {Valor::Fecha({}), "Date"},      {Valor::Logico(true), "Boolean"},
        {Valor::Matriz({}), "Array"}};
    for (const auto& [valor, nombre] : casos) {
        EXPECT_EQ(valor.NombreTipo(), nombre);
    }
}

TEST(Valor, Accesores) {
    EXPECT_EQ(Valor::Largo(-3).ComoDoble(), -3);
    EXPECT_EQ(Valor::Logico(true).ComoDoble(), -1);
    EXPECT_TRUE(Valor::Doble(2).ComoLogico());
    EXPECT_FALSE(Valor::Entero(0).ComoLogico());
    EXPECT_EQ(Valor::Fecha(HacerMomento(1999, 12, 31, 23, 59, 59)).ComoFecha(),
              HacerMomento(1999, 12, 31, 23, 59, 59));
    EXPECT_THROW((void)Valor::Texto("5").ComoDoble(), ErrorEjecucion);
    EXPECT_THROW((void)Valor{}.ComoTexto(), ErrorEjecucion);
    EXPECT_THROW((void)Valor::Doble(1).ComoFecha(), ErrorEjecucion);
    EXPECT_THROW((void)Valor::Nulo().ComoLista(), ErrorEjecucion);
}

TEST(Valor, CopiaProfundaEIgualdad) {
    Valor original = Valor::Matriz({Valor::Texto("a"), Valor::Matriz({Valor::Largo(1)})});
    Valor copia = original;
    EXPECT_EQ(copia, original);
    copia.ComoLista()[1].ComoLista()[0] = Valor::Largo(2);
    EXPECT_EQ(original.ComoLista()[1].ComoLista()[0], Valor::Largo(1));
    EXPECT_FALSE(copia == original);
    EXPECT_FALSE(Valor::Largo(1) == Valor::Doble(1));
    EXPECT_EQ(Valor::Nulo(), Valor::Nulo());
    EXPECT_FALSE(Valor{} == Valor::Nulo());
}

TEST(Valor, UnValorMovidoQuedaVacio) {
    for (Valor origen : {Valor::Texto("abc"), Valor::Matriz({Valor::Largo(1)}), Valor::Doble(2)}) {
        const Valor copia = origen;
        const Valor destino = std::move(origen);
        EXPECT_EQ(destino, copia);
        EXPECT_TRUE(origen.EsVacio());  // NOLINT(bugprone-use-after-move): the promise under test
    }
}

}  // namespace
}  // namespace velqor
