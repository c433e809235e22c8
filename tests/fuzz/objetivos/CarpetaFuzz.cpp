#include "CarpetaFuzz.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace velqor::fuzz {

CarpetaFuzz::CarpetaFuzz() {
    std::string plantilla =
        (std::filesystem::temp_directory_path() / "velqor-fuzz-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder from " + plantilla);
    }
    ruta_ = plantilla;
}

CarpetaFuzz::~CarpetaFuzz() {
    std::error_code ignorado;
    std::filesystem::remove_all(ruta_, ignorado);
}

const CarpetaFuzz& CarpetaFuzz::DelProceso() {
    static const CarpetaFuzz carpeta;
    return carpeta;
}

std::string CarpetaFuzz::En(const std::string& nombre) const {
    return (std::filesystem::path(ruta_) / nombre).string();
}

std::string CarpetaFuzz::Escribe(const std::string& nombre, std::string_view bytes) const {
    const std::string ruta = En(nombre);
    std::ofstream archivo(ruta, std::ios::binary | std::ios::trunc);
    archivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    archivo.close();
    if (!archivo) throw std::runtime_error("cannot write " + ruta);
    return ruta;
}

}  // namespace velqor::fuzz
