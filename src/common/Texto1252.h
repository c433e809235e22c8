#pragma once
// Conversion between the program's internal UTF-8 text and single-byte Windows-1252,
// the code page of every text file the program writes or reads.

#include <cstddef>
#include <string>
#include <string_view>

namespace velqor {

// Whether every byte of texto is ASCII, the same in both encodings.
bool EsAscii(std::string_view texto);

// UTF-8 to Windows-1252; characters outside the code page (and invalid UTF-8 bytes) become "?".
std::string Utf8A1252(std::string_view utf8);

// Windows-1252 to UTF-8; the five bytes the code page leaves undefined map to U+0081 etc.
std::string De1252AUtf8(std::string_view cp1252);

// The Windows-1252 code (0..255) of one Unicode character; 63 ("?") when it has none.
unsigned char Codigo1252(char32_t caracter);

// Decodes the UTF-8 character that starts at byte pos of utf8 and moves pos past it. An invalid or
// cut-off sequence counts as one character of one byte and answers U+FFFD. Requires pos < size.
char32_t SiguienteCaracter(std::string_view utf8, std::size_t& pos);

// UTF-8 text upper-cased letter by letter over the Windows-1252 letters (ASCII, Latin-1, and
// š œ ž ÿ: é gives É, ÿ gives Ÿ); every other character, and bytes that are not valid UTF-8, pass
// unchanged. The operator check upper-cases passwords with it before coding them.
std::string Mayusculas(std::string_view texto);

// Appends the UTF-8 form of one Unicode character.
void AgregaUtf8(std::string& destino, char32_t caracter);

}  // namespace velqor
