#include <gtest/gtest.h>

#include "cli/Argumentos.h"

namespace velqor::cli {
namespace {

const std::vector<Opcion> kOpciones{{"user", true}, {"online", false}};

TEST(Argumentos, ReadsValuesFlagsAndPositionals) {
    Argumentos a;
    std::string error;
    ASSERT_TRUE(
        a.Analiza(kOpciones, {"file.ZEVcos", "--user", "ann", "--online", "--", "--x"}, error));
    EXPECT_EQ(a.Valor("user"), "ann");
    EXPECT_TRUE(a.Tiene("online"));
    EXPECT_EQ(a.Posicionales(), (std::vector<std::string>{"file.ZEVcos", "--x"}));
}

TEST(Argumentos, ValueAfterEqualsSignMayHoldAnything) {
    Argumentos a;
    std::string error;
    ASSERT_TRUE(a.Analiza(kOpciones, {"--user=a=b --c"}, error));
    EXPECT_EQ(a.Valor("user"), "a=b --c");
}

TEST(Argumentos, RejectsBadCommandLines) {
    struct Caso {
        std::vector<std::string> palabras;
        std::string error;
    };
    const Caso casos[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"--user"}, "option --user needs a value"},
        {{"--user", "a", "--user", "b"}, "option --user given more than once"},
        {{"--online=yes"}, "option --online takes no value"},
    };
    for (const Caso& caso : casos) {
        Argumentos a;
        std::string error;
        EXPECT_FALSE(a.Analiza(kOpciones, caso.palabras, error)) << caso.error;
        EXPECT_EQ(error, caso.error);
    }
}

}  // namespace
}  // namespace velqor::cli
