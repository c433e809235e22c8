#include "common/CarpetaEscribible.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace velqor {

std::string TextoErrno(int numero) {
    return std::generic_category().message(numero);
}

std::string MotivoNoEscribible(const std::string& carpeta) {
    struct stat datos {};
    if (::stat(carpeta.c_str(), &datos) != 0) return TextoErrno(errno);
    if (!S_ISDIR(datos.st_mode)) return TextoErrno(ENOTDIR);
    if (::access(carpeta.c_str(), W_OK | X_OK) != 0) return TextoErrno(errno);
    return {};
}

std::string AntecesorExistente(const std::string& carpeta) {
    try {
        std::filesystem::path ruta(carpeta.empty() ? "." : carpeta);
        for (;;) {
            std::error_code ec;
            if (std::filesystem::exists(ruta, ec)) return ruta.string();
            if (!ruta.has_relative_path()) return {};
            const std::filesystem::path padre = ruta.parent_path();
            ruta = padre.empty() ? std::filesystem::path(".") : padre;
        }
    } catch (...) {
        return {};
    }
}

bool CreaCarpeta(const std::string& carpeta, std::string& motivo) {
    try {
        std::error_code ec;
        std::filesystem::create_directories(carpeta, ec);
        if (!ec && std::filesystem::is_directory(carpeta, ec)) return true;
        motivo = ec ? ec.message() : TextoErrno(ENOTDIR);
        return false;
    } catch (...) {
        motivo = TextoErrno(ENOMEM);
        return false;
    }
}

}  // namespace velqor
