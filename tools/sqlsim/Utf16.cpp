#include "Utf16.h"

namespace velqor::sqlsim {
namespace {

void AgregaUnidad(std::string& s, uint16_t u) {
    s += static_cast<char>(u & 0xFF);
    s += static_cast<char>(u >> 8);
}

void AgregaUtf8(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string AUtf16(std::string_view t) {
    std::string s;
    s.reserve(t.size() * 2);
    size_t i = 0;
    while (i < t.size()) {
        const auto c = static_cast<unsigned char>(t[i]);
        uint32_t cp = 0xFFFD;
        size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            n = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 4;
            cp = c & 0x07;
        }
        if (n > 1) {
            bool valido = i + n <= t.size();
            for (size_t k = 1; valido && k < n; ++k) {
                const auto b = static_cast<unsigned char>(t[i + k]);
                valido = (b & 0xC0) == 0x80;
                cp = (cp << 6) | (b & 0x3F);
            }
            if (!valido || cp > 0x10FFFF) {
                cp = 0xFFFD;
                n = 1;
            }
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AgregaUnidad(s, static_cast<uint16_t>(0xD800 + (cp >> 10)));
            AgregaUnidad(s, static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            AgregaUnidad(s, static_cast<uint16_t>(cp));
        }
    }
    return s;
}

std::string DeUtf16(const uint8_t* d, size_t caracteres) {
    std::string s;
    s.reserve(caracteres);
    for (size_t i = 0; i < caracteres; ++i) {
        uint32_t u = d[2 * i] | (d[2 * i + 1] << 8);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < caracteres) {
            const uint32_t b = d[2 * i + 2] | (d[2 * i + 3] << 8);
            if (b >= 0xDC00 && b < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (b - 0xDC00);
                ++i;
            }
        }
        if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
        AgregaUtf8(s, u);
    }
    return s;
}

}  // namespace velqor::sqlsim
