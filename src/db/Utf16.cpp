#include "db/Utf16.h"

#include <cstdint>

namespace velqor::db {
namespace {

constexpr char32_t kReemplazo = 0xFFFD;

// Decodes one code point starting at texto[i] and advances i; a malformed sequence yields
// U+FFFD and consumes one byte.
char32_t LeeCodigo(std::string_view texto, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(texto[k]); };
    const uint8_t b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    std::size_t largo = 0;
    char32_t codigo = 0;
    char32_t minimo = 0;
    if ((b0 & 0xE0) == 0xC0) {
        largo = 2, codigo = b0 & 0x1F, minimo = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        largo = 3, codigo = b0 & 0x0F, minimo = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        largo = 4, codigo = b0 & 0x07, minimo = 0x10000;
    } else {
        ++i;
        return kReemplazo;
    }
    if (i + largo > texto.size()) {
        ++i;
        return kReemplazo;
    }
    for (std::size_t k = 1; k < largo; ++k) {
        const uint8_t b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReemplazo;
        }
        codigo = (codigo << 6) | (b & 0x3F);
    }
    if (codigo < minimo || codigo > 0x10FFFF || (codigo >= 0xD800 && codigo <= 0xDFFF)) {
        ++i;
        return kReemplazo;
    }
    i += largo;
    return codigo;
}

void EscribeUtf8(std::string& destino, char32_t c) {
    if (c < 0x80) {
        destino.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        destino.push_back(static_cast<char>(0xC0 | (c >> 6)));
        destino.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        destino.push_back(static_cast<char>(0xE0 | (c >> 12)));
        destino.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        destino.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        destino.push_back(static_cast<char>(0xF0 | (c >> 18)));
        destino.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        destino.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        destino.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::u16string AUtf16(std::string_view utf8) {
    std::u16string resultado;
    resultado.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = LeeCodigo(utf8, i);
        if (c < 0x10000) {
            resultado.push_back(static_cast<char16_t>(c));
        } else {
            resultado.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            resultado.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return resultado;
}

void AgregaUtf8(std::string& destino, const char16_t* texto, std::size_t unidades) {
    for (std::size_t i = 0; i < unidades; ++i) {
        const char16_t u = texto[i];
        if (u < 0x80) {
            destino.push_back(static_cast<char>(u));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < unidades && texto[i + 1] >= 0xDC00 &&
                   texto[i + 1] <= 0xDFFF) {
            EscribeUtf8(destino,
                        0x10000 + ((char32_t{u} - 0xD800) << 10) + (texto[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            EscribeUtf8(destino, kReemplazo);
        } else {
            EscribeUtf8(destino, u);
        }
    }
}

std::string AUtf8(std::u16string_view utf16) {
    std::string resultado;
    resultado.reserve(utf16.size());
    AgregaUtf8(resultado, utf16.data(), utf16.size());
    return resultado;
}

}  // namespace velqor::db
