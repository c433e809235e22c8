#include "common/Proceso.h"

#include <filesystem>
#include <system_error>

namespace velqor {

namespace {

// The running executable's path; empty when the system does not tell it.
std::filesystem::path RutaEjecutable() {
    std::error_code error;
    std::filesystem::path ruta = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path{} : ruta;
}

}  // namespace

std::string CarpetaPrograma() {
    const std::filesystem::path carpeta = RutaEjecutable().parent_path();
    return carpeta.empty() ? "." : carpeta.string();
}

std::string NombreEjecutable() {
    const std::string nombre = RutaEjecutable().stem().string();
    return nombre.empty() ? "velqor" : nombre;
}

std::string UneRuta(const std::string& carpeta, const std::string& nombre) {
    if (carpeta.empty()) {
        return nombre;
    }
    if (carpeta.back() == '/') {
        return carpeta + nombre;
    }
    return carpeta + "/" + nombre;
}

}  // namespace velqor
