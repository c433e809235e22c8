#include "common/Texto1252.h"

#include <array>

namespace velqor {

namespace {

// Unicode characters of the codes 0x80..0x9F; the five codes the code page leaves undefined keep
// their own value (U+0081, U+008D, U+008F, U+0090, U+009D).
constexpr std::array<char32_t, 32> kTramo80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kSustituto = 0xFFFD;

// Copies texto into a new string: ASCII, the same in both encodings, a run at a time, and every
// other character through convierte(texto, pos, destino), which moves pos past it.
template <typename Conversion>
std::string CopiaAscii(std::string_view texto, std::size_t reserva, Conversion convierte) {
    std::string resultado;
    resultado.reserve(reserva);
    std::size_t pos = 0;
    while (pos < texto.size()) {
        const std::size_t inicio = pos;
        while (pos < texto.size() && static_cast<unsigned char>(texto[pos]) < 0x80) {
            ++pos;
        }
        resultado.append(texto.data() + inicio, pos - inicio);
        if (pos < texto.size()) {
            convierte(texto, pos, resultado);
        }
    }
    return resultado;
}

// The upper-case form of one Windows-1252 letter; any other character unchanged.
char32_t Mayuscula(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à..þ except ÷
    switch (c) {
        case 0xFF:
            return 0x178;  // ÿ
        case 0x161:
            return 0x160;  // š
        case 0x153:
            return 0x152;  // œ
        case 0x17E:
            return 0x17D;  // ž
        default:
            return c;
    }
}

}  // namespace

std::string Mayusculas(std::string_view texto) {
    std::string resultado;
    resultado.reserve(texto.size());
    for (std::size_t pos = 0; pos < texto.size();) {
        const std::size_t inicio = pos;
        const char32_t c = SiguienteCaracter(texto, pos);
        const char32_t mayuscula = Mayuscula(c);
        if (mayuscula == c) {
            resultado.append(texto.substr(inicio, pos - inicio));  // invalid bytes stay as they are
        } else {
            AgregaUtf8(resultado, mayuscula);
        }
    }
    return resultado;
}

void AgregaUtf8(std::string& destino, char32_t c) {
    if (c < 0x80) {
        destino += static_cast<char>(c);
    } else if (c < 0x800) {
        destino += static_cast<char>(0xC0 | (c >> 6));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        destino += static_cast<char>(0xE0 | (c >> 12));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        destino += static_cast<char>(0xF0 | (c >> 18));
        destino += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t SiguienteCaracter(std::string_view utf8, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    std::size_t extra = 0;
    char32_t c = 0;
    char32_t minimo = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, c = b0 & 0x1F, minimo = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, c = b0 & 0x0F, minimo = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, c = b0 & 0x07, minimo = 0x10000;
    } else {
        ++pos;
        return kSustituto;
    }
    if (utf8.size() - pos <= extra) {
        ++pos;
        return kSustituto;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kSustituto;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kSustituto;
    }
    pos += extra + 1;
    return c;
}

unsigned char Codigo1252(char32_t caracter) {
    if (caracter < 0x80 || (caracter >= 0xA0 && caracter <= 0xFF)) {
        return static_cast<unsigned char>(caracter);
    }
    for (std::size_t i = 0; i < kTramo80.size(); ++i) {
        if (kTramo80[i] == caracter) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return '?';
}

bool EsAscii(std::string_view texto) {
    // One plain loop over all of it, which the compiler turns into vector code.
    unsigned char bits = 0;
    for (const char c : texto) {
        bits |= static_cast<unsigned char>(c);
    }
    return bits < 0x80;
}

std::string Utf8A1252(std::string_view utf8) {
    return CopiaAscii(utf8, utf8.size(), [](std::string_view texto, std::size_t& pos, std::string& destino) {
        destino += static_cast<char>(Codigo1252(SiguienteCaracter(texto, pos)));
    });
}

std::string De1252AUtf8(std::string_view cp1252) {
    return CopiaAscii(cp1252, cp1252.size() + cp1252.size() / 8,
                      [](std::string_view texto, std::size_t& pos, std::string& destino) {
                          const auto b = static_cast<unsigned char>(texto[pos++]);
                          AgregaUtf8(destino, b < 0xA0 ? kTramo80[b - 0x80] : char32_t{b});
                      });
}

}  // namespace velqor
