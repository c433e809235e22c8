#include "cli/Texto.h"

namespace velqor::cli {

namespace {

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

// The length of the UTF-8 sequence that starts with byte b; 0 for a byte that cannot start one.
size_t LargoSecuencia(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b >> 5) == 0x6) return 2;
    if ((b >> 4) == 0xE) return 3;
    if ((b >> 3) == 0x1E) return 4;
    return 0;
}

void AgregaUtf8(std::string& destino, char32_t c) {
    if (c < 0x80) {
        destino += static_cast<char>(c);
        return;
    }
    const int continuaciones = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    const unsigned char prefijo = continuaciones == 1 ? 0xC0 : continuaciones == 2 ? 0xE0 : 0xF0;
    destino += static_cast<char>(prefijo | (c >> (6 * continuaciones)));
    for (int k = continuaciones - 1; k >= 0; --k) {
        destino += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
}

}  // namespace

bool EsBlanco(std::string_view texto) {
    return texto.find_first_not_of(' ') == std::string_view::npos;
}

std::string Mayusculas(std::string_view texto) {
    std::string resultado;
    resultado.reserve(texto.size());
    size_t i = 0;
    while (i < texto.size()) {
        const auto inicial = static_cast<unsigned char>(texto[i]);
        const size_t largo = LargoSecuencia(inicial);
        bool valida = largo > 0 && i + largo <= texto.size();
        char32_t c = largo == 1 ? inicial : inicial & (0x7F >> largo);
        for (size_t k = 1; valida && k < largo; ++k) {
            const auto siguiente = static_cast<unsigned char>(texto[i + k]);
            valida = (siguiente & 0xC0) == 0x80;
            c = (c << 6) | (siguiente & 0x3F);
        }
        if (!valida) {
            resultado += texto[i++];
            continue;
        }
        AgregaUtf8(resultado, Mayuscula(c));
        i += largo;
    }
    return resultado;
}

}  // namespace velqor::cli
