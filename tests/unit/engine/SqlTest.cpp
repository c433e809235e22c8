#include <gtest/gtest.h>

#include "engine/Sql.h"

namespace velqor {
namespace {

TEST(SqlTest, QuotesNamesAndTextsSoTheyCannotEndTheirQuoting) {
    const struct {
        const char* entrada;
        const char* identificador;
        const char* literal;
    } casos[] = {
        {"Ventas", "[Ventas]", "'Ventas'"},
        {"", "[]", "''"},
        {"Mi Base", "[Mi Base]", "'Mi Base'"},
        {"O'Brien", "[O'Brien]", "'O''Brien'"},
        {"a]b]]", "[a]]b]]]]]", "'a]b]]'"},
        {"x'); DROP TABLE t;--", "[x'); DROP TABLE t;--]", "'x''); DROP TABLE t;--'"},
        {"D:\\Bak\\", "[D:\\Bak\\]", "'D:\\Bak\\'"},
        {"''", "['']", "''''''"},
    };
    for (const auto& caso : casos) {
        EXPECT_EQ(Sql::Identificador(caso.entrada), caso.identificador) << caso.entrada;
        EXPECT_EQ(Sql::Literal(caso.entrada), caso.literal) << caso.entrada;
    }
}

}  // namespace
}  // namespace velqor
