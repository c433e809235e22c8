#include <gtest/gtest.h>

#include "db/CadenaOdbc.h"

namespace velqor::db {
namespace {

struct Caso {
    std::string cadena, usuario, clave, esperada;
};

class ConCredencialesCasos : public ::testing::TestWithParam<Caso> {};

TEST_P(ConCredencialesCasos, AgregaSoloLoDado) {
    const Caso& c = GetParam();
    EXPECT_EQ(ConCredenciales(c.cadena, c.usuario, c.clave), c.esperada);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ConCredencialesCasos,
    ::testing::Values(
        Caso{"Driver=FreeTDS;Server=h", "", "", "Driver=FreeTDS;Server=h"},
        Caso{"Driver=FreeTDS;Server=h", "sa", "", "Driver=FreeTDS;Server=h;UID={sa};"},
        Caso{"Driver=FreeTDS;", "", "x", "Driver=FreeTDS;PWD={x};"},
        // FreeTDS takes braces literally; the standard form doubles them.
        Caso{"Driver=FreeTDS", "a;b=c", "p}w{d", "Driver=FreeTDS;UID={a;b=c};PWD={p}w{d};"},
        Caso{"Driver={ODBC Driver 18 for SQL Server};Server=h", "u", "p}w{d",
             "Driver={ODBC Driver 18 for SQL Server};Server=h;UID={u};PWD={p}}w{d};"},
        Caso{"", "u", "p", "UID={u};PWD={p};"}),
    [](const auto& info) { return "Caso" + std::to_string(info.index); });

TEST(EsFreeTds, MiraSoloElAtributoDriver) {
    EXPECT_TRUE(EsFreeTds("Server=h;DRIVER = {FreeTDS};Port=1"));
    EXPECT_TRUE(EsFreeTds("driver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=h"));
    EXPECT_FALSE(EsFreeTds("Driver={ODBC Driver 18 for SQL Server};Server=freetds-host"));
    EXPECT_FALSE(EsFreeTds("DSN=ventas"));
}

}  // namespace
}  // namespace velqor::db
