#include "db/CadenaOdbc.h"

#include <gtest/gtest.h>

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
        Caso{"Driver=FreeTDS", "a;b=c", "p}w{d", "Driver=FreeTDS;UID={a;b=c};PWD={p}}w{d};"},
        Caso{"", "u", "p", "UID={u};PWD={p};"}),
    [](const auto& info) { return "Caso" + std::to_string(info.index); });

}  // namespace
}  // namespace velqor::db
