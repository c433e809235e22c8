#include "components/Utilidades.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace velqor::Utilidades {

namespace fs = std::filesystem;

namespace {

bool CaracterProhibido(unsigned char c) {
    static constexpr std::string_view kProhibidos = "\\/:*?\"<>|";
    return c < 0x20 || c == 0x7F ||
           kProhibidos.find(static_cast<char>(c)) != std::string_view::npos;
}

// Writes every byte to fd, retrying short writes and interruptions.
bool EscribeTodo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
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

bool LeeArchivoLimitado(const std::string& ruta, std::size_t maximo, std::string& bytes) {
    std::error_code ec;
    if (ruta.empty() || !fs::is_regular_file(fs::path(ruta), ec)) return false;
    std::ifstream archivo(ruta, std::ios::binary);
    if (!archivo) return false;
    std::string contenido;
    std::vector<char> bloque(64 * 1024);
    while (archivo) {
        archivo.read(bloque.data(), static_cast<std::streamsize>(bloque.size()));
        const auto leidos = static_cast<std::size_t>(archivo.gcount());
        if (contenido.size() + leidos > maximo) return false;
        contenido.append(bloque.data(), leidos);
    }
    if (archivo.bad()) return false;
    bytes = std::move(contenido);
    return true;
}

bool GrabaArchivoPrivado(const std::string& ruta, std::string_view bytes) {
    if (ruta.empty()) return false;
    std::string plantilla = ruta + ".tmp-XXXXXX";
    const int fd = ::mkstemp(plantilla.data());
    if (fd < 0) return false;
    bool bien = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && EscribeTodo(fd, bytes) && ::fsync(fd) == 0;
    bien = (::close(fd) == 0) && bien;
    if (bien) bien = ::rename(plantilla.c_str(), ruta.c_str()) == 0;
    if (!bien) ::unlink(plantilla.c_str());
    return bien;
}

}  // namespace velqor::Utilidades
