#pragma once
// Conversions between the project's UTF-8 text and the UTF-16 that ODBC's wide calls speak.
// Malformed input never fails: each bad sequence becomes U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace velqor::db {

// The UTF-16 form of a UTF-8 text.
std::u16string AUtf16(std::string_view utf8);

// Appends the UTF-8 form of `unidades` UTF-16 code units to `destino`.
void AgregaUtf8(std::string& destino, const char16_t* texto, std::size_t unidades);

// The UTF-8 form of a UTF-16 text.
std::string AUtf8(std::u16string_view utf16);

}  // namespace velqor::db
