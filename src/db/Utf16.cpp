#include "db/Utf16.h"

#include <cstdint>

#include "common/Texto1252.h"

namespace velqor::db {
namespace {

constexpr char32_t kReemplazo = 0xFFFD;

}  // namespace

std::u16string AUtf16(std::string_view utf8) {
    std::u16string resultado;
    resultado.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = SiguienteCaracter(utf8, i);
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
    for (std::size_t i = 0; i < unidades;) {
        // A run of ASCII, the usual name, goes in at once.
        std::size_t fin = i;
        while (fin < unidades && texto[fin] < 0x80) ++fin;
        if (fin > i) {
            const std::size_t antes = destino.size();
            destino.resize(antes + (fin - i));
            for (std::size_t k = i; k < fin; ++k)
                destino[antes + (k - i)] = static_cast<char>(texto[k]);
            i = fin;
            continue;
        }
        const char16_t u = texto[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < unidades && texto[i + 1] >= 0xDC00 &&
            texto[i + 1] <= 0xDFFF) {
            velqor::AgregaUtf8(destino,
                               0x10000 + ((char32_t{u} - 0xD800) << 10) + (texto[i + 1] - 0xDC00));
            i += 2;
            continue;
        }
        velqor::AgregaUtf8(destino, u >= 0xD800 && u <= 0xDFFF ? kReemplazo : char32_t{u});
        ++i;
    }
}

std::string AUtf8(std::u16string_view utf16) {
    std::string resultado;
    resultado.reserve(utf16.size());
    AgregaUtf8(resultado, utf16.data(), utf16.size());
    return resultado;
}

}  // namespace velqor::db
