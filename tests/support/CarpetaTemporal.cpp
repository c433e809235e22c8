#include "CarpetaTemporal.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace velqor::prueba {

CarpetaTemporal::CarpetaTemporal() {
    std::string plantilla =
        (std::filesystem::temp_directory_path() / "velqor-test-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    ruta_ = plantilla;
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    // Give back write permission first, so that folders a test made read-only can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(ruta_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(ruta_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(ruta_, ec);
}

void EscribeBytes(const std::string& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << bytes;
}

std::string LeeBytes(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace velqor::prueba
