#include "common/Texto1252.h"

#include <gtest/gtest.h>

namespace velqor {
namespace {

// Every byte 0x80..0x9F with the UTF-8 form of its character.
const std::vector<std::pair<unsigned char, std::string>> kTramo80 = {
    {0x80, "€"}, {0x81, "\u0081"}, {0x82, "‚"}, {0x83, "ƒ"}, {0x84, "„"}, {0x85, "…"}, {0x86, "†"},
    {0x87, "‡"}, {0x88, "ˆ"},      {0x89, "‰"}, {0x8A, "Š"}, {0x8B, "‹"}, {0x8C, "Œ"}, {0x8D, "\u008D"},
    {0x8E, "Ž"}, {0x8F, "\u008F"}, {0x90, "\u0090"}, {0x91, "‘"}, {0x92, "’"}, {0x93, "“"}, {0x94, "”"},
    {0x95, "•"}, {0x96, "–"},      {0x97, "—"}, {0x98, "˜"}, {0x99, "™"}, {0x9A, "š"}, {0x9B, "›"},
    {0x9C, "œ"}, {0x9D, "\u009D"}, {0x9E, "ž"}, {0x9F, "Ÿ"}};

TEST(Texto1252, TramoDe0x80A0x9F) {
    ASSERT_EQ(kTramo80.size(), 32u);
    for (const auto& [codigo, utf8] : kTramo80) {
        const std::string byte(1, static_cast<char>(codigo));
        EXPECT_EQ(De1252AUtf8(byte), utf8) << int(codigo);
        EXPECT_EQ(Utf8A1252(utf8), byte) << int(codigo);
    }
}

TEST(Texto1252, TodosLosBytesVanYVuelven) {
    std::string todos;
    for (int b = 0; b < 256; ++b) {
        todos += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8A1252(De1252AUtf8(todos)), todos);
    EXPECT_EQ(De1252AUtf8("Año ñ é ü"), "AÃ±o Ã± Ã© Ã¼");
}

TEST(Texto1252, LatinoYLosQueNoCaben) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"abc\r\n", "abc\r\n"},
        {"Año", "A\xF1o"},
        {"ÿ", "\xFF"},
        {"\u00A0", "\xA0"},
        {"日本", "??"},
        {"😀x", "?x"},
        {"\u0100", "?"},
    };
    for (const auto& [utf8, esperado] : casos) {
        EXPECT_EQ(Utf8A1252(utf8), esperado) << utf8;
    }
}

TEST(Texto1252, Utf8NoValidoDaInterrogaciones) {
    const std::vector<std::pair<std::string, std::string>> casos = {
        {"a\x80" "b", "a?b"},          // stray continuation byte
        {"\xC3", "?"},                 // cut-off sequence at the end
        {"\xC3(", "?("},               // lead byte without its continuation
        {"\xC0\xAF", "??"},            // overlong "/"
        {"\xED\xA0\x80", "???"},       // surrogate
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\xFF\xFE", "??"},
    };
    for (const auto& [utf8, esperado] : casos) {
        EXPECT_EQ(Utf8A1252(utf8), esperado);
    }
}

TEST(Texto1252, SiguienteCaracterAvanzaUnCaracter) {
    const std::string texto = "a€\x80😀";
    std::size_t pos = 0;
    EXPECT_EQ(SiguienteCaracter(texto, pos), U'a');
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(SiguienteCaracter(texto, pos), U'€');
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(SiguienteCaracter(texto, pos), U'\uFFFD');
    EXPECT_EQ(pos, 5u);
    EXPECT_EQ(SiguienteCaracter(texto, pos), U'😀');
    EXPECT_EQ(pos, texto.size());
}

TEST(Texto1252, CodigoDeUnCaracter) {
    EXPECT_EQ(Codigo1252(U'a'), 97);
    EXPECT_EQ(Codigo1252(U'€'), 0x80);
    EXPECT_EQ(Codigo1252(U'ñ'), 0xF1);
    EXPECT_EQ(Codigo1252(U'\u0081'), 0x81);
    EXPECT_EQ(Codigo1252(U'\u0080'), '?');
    EXPECT_EQ(Codigo1252(U'日'), '?');
}

}  // namespace
}  // namespace velqor
