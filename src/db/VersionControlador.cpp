#include "db/VersionControlador.h"

#include <dlfcn.h>
#include <link.h>
#include <odbcinst.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/CadenaOdbc.h"

namespace velqor::db {
namespace {

// The file of the driver's library, as the dynamic loader finds it; empty when it cannot.
std::string ArchivoControlador(const std::string& controlador) {
    std::string biblioteca = controlador;
    if (controlador.find('/') == std::string::npos) {
        char ruta[1024] = {};
        SQLGetPrivateProfileString(controlador.c_str(), "Driver", "", ruta, sizeof ruta,
                                   "odbcinst.ini");
        biblioteca = ruta;
    }
    if (biblioteca.empty()) return "";
    void* h = ::dlopen(biblioteca.c_str(), RTLD_LAZY | RTLD_LOCAL);
    // A bare library name is looked for, as unixODBC looks for it, in the "odbc" folder beside
    // unixODBC's own libraries as well.
    Dl_info propia{};
    if (h == nullptr && biblioteca.find('/') == std::string::npos &&
        ::dladdr(reinterpret_cast<void*>(&SQLGetPrivateProfileString), &propia) != 0 &&
        propia.dli_fname != nullptr) {
        const std::string carpeta = std::filesystem::path(propia.dli_fname).parent_path().string();
        h = ::dlopen((carpeta + "/odbc/" + biblioteca).c_str(), RTLD_LAZY | RTLD_LOCAL);
    }
    if (h == nullptr) return "";
    link_map* mapa = nullptr;
    std::string archivo;
    if (::dlinfo(h, RTLD_DI_LINKMAP, &mapa) == 0 && mapa != nullptr) archivo = mapa->l_name;
    ::dlclose(h);
    return archivo;
}

// The version FreeTDS writes into its libraries ("freetds v1.3.17"), or empty.
std::string VersionFreeTds(const std::string& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    constexpr std::string_view kMarca = "freetds v";
    const size_t pos = bytes.find(kMarca);
    if (pos == std::string::npos) return "";
    size_t fin = pos + kMarca.size();
    while (fin < bytes.size() &&
           (std::isdigit(static_cast<unsigned char>(bytes[fin])) || bytes[fin] == '.')) {
        ++fin;
    }
    return bytes.substr(pos + kMarca.size(), fin - pos - kMarca.size());
}

}  // namespace

bool ConoceStrict(const std::string& controlador, std::string& version) {
    version.clear();
    if (!EsFreeTds("Driver={" + controlador + "}")) return true;
    const std::string archivo = ArchivoControlador(controlador);
    if (archivo.empty()) return true;
    version = VersionFreeTds(archivo);
    int mayor = 0, menor = 0;
    if (std::sscanf(version.c_str(), "%d.%d", &mayor, &menor) != 2) return true;
    return mayor > 1 || (mayor == 1 && menor >= 4);
}

}  // namespace velqor::db
