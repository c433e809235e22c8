#include <gtest/gtest.h>

#include "db/Utf16.h"

namespace velqor::db {
namespace {

struct Caso {
    std::string utf8;
    std::u16string utf16;
};

class Utf16IdaYVuelta : public ::testing::TestWithParam<Caso> {};

TEST_P(Utf16IdaYVuelta, ConvierteEnAmbosSentidos) {
    EXPECT_EQ(AUtf16(GetParam().utf8), GetParam().utf16);
    EXPECT_EQ(AUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Textos, Utf16IdaYVuelta,
                         ::testing::Values(Caso{"", u""}, Caso{"abc", u"abc"},
                                           Caso{"Caf\xC3\xA9", u"Caf\u00E9"},
                                           Caso{"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
                                           Caso{"\xF0\x9F\x98\x80", u"\U0001F600"}),
                         [](const auto& info) { return "Caso" + std::to_string(info.index); });

TEST(Utf16, SecuenciasUtf8RotasDanCaracterDeReemplazo) {
    EXPECT_EQ(AUtf16("a\xC3"), u"a\uFFFD");                      // cut short
    EXPECT_EQ(AUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");              // overlong
    EXPECT_EQ(AUtf16("\xED\xA0\x80x"), u"\uFFFD\uFFFD\uFFFDx");  // encoded surrogate
    EXPECT_EQ(AUtf16("\xFF"), u"\uFFFD");
}

TEST(Utf16, SustitutoSueltoDaCaracterDeReemplazo) {
    EXPECT_EQ(AUtf8(std::u16string(1, char16_t{0xD800}) + u"a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(AUtf8(std::u16string(1, char16_t{0xDC00})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace velqor::db
