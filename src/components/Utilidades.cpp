#include "components/Utilidades.h"

#include <filesystem>
#include <string_view>

namespace velqor::Utilidades {

namespace fs = std::filesystem;

namespace {

bool CaracterProhibido(unsigned char c) {
    static constexpr std::string_view kProhibidos = "\\/:*?\"<>|";
    return c < 0x20 || c == 0x7F ||
           kProhibidos.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

bool ExisteArchivo(const std::string& ruta, int32_t& /*atributos*/) {
    if (ruta.empty()) return false;
    std::error_code ec;
    return fs::is_regular_file(fs::path(ruta), ec);
}

std::string NombreParaArchivo(const std::string& nombre) {
    std::string resultado;
    resultado.reserve(nombre.size());
    for (char c : nombre)
        resultado.push_back(CaracterProhibido(static_cast<unsigned char>(c)) ? '_' : c);
    if (resultado.find_first_not_of('.') == std::string::npos) {
        // "", "." and ".." name no file of their own.
        resultado.assign(resultado.empty() ? 1 : resultado.size(), '_');
    }
    return resultado;
}

std::string RellenaCeros(int32_t valor, int16_t ancho) {
    const int64_t v = valor;
    std::string digitos = std::to_string(v < 0 ? -v : v);
    if (static_cast<int64_t>(digitos.size()) < ancho) {
        digitos.insert(0, static_cast<std::size_t>(ancho) - digitos.size(), '0');
    }
    return v < 0 ? "-" + digitos : digitos;
}

}  // namespace velqor::Utilidades
