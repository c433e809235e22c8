#pragma once
// Text conversions between UTF-8 (inside sqlsim) and UTF-16LE bytes (on the wire).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velqor::sqlsim {

// UTF-8 text as UTF-16LE bytes; malformed input bytes become U+FFFD.
std::string AUtf16(std::string_view utf8);

// `caracteres` UTF-16LE code units starting at `datos` as UTF-8; lone surrogates become U+FFFD.
std::string DeUtf16(const uint8_t* datos, size_t caracteres);

}  // namespace velqor::sqlsim
