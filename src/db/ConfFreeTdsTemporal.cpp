#include "db/ConfFreeTdsTemporal.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/Archivo.h"
#include "common/ErrorEjecucion.h"

namespace velqor::db {

namespace {

constexpr const char* kVariable = "FREETDSCONF";
constexpr std::string_view kPrefijo = "freetds-";
constexpr std::string_view kExtension = ".conf";

[[noreturn]] void NoSeEscribe(const std::string& detalle) {
    throw ErrorEjecucion(errores::kFalloGeneral,
                         "The FreeTDS settings for checking the server's certificate could not be "
                         "written to the temporary folder: " +
                             detalle);
}

// Removes the settings files in carpeta whose process (the pid in their name) no longer runs.
void LimpiaHuerfanos(const std::string& carpeta) {
    DIR* dir = ::opendir(carpeta.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> huerfanos;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view nombre = e->d_name;
        if (!nombre.starts_with(kPrefijo) || !nombre.ends_with(kExtension)) continue;
        const std::string_view resto = nombre.substr(kPrefijo.size());
        long pid = 0;
        const auto r = std::from_chars(resto.data(), resto.data() + resto.size(), pid);
        if (r.ec == std::errc{} && r.ptr != resto.data() + resto.size() && *r.ptr == '-' &&
            ProcesoTerminado(pid)) {
            huerfanos.emplace_back(nombre);
        }
    }
    ::closedir(dir);
    for (const std::string& nombre : huerfanos) ::unlink((carpeta + "/" + nombre).c_str());
}

}  // namespace

std::string ConfFreeTdsTemporal::Carpeta() {
    std::error_code ec;
    const std::filesystem::path temporal = std::filesystem::temp_directory_path(ec);
    if (ec) NoSeEscribe("there is no temporary folder (" + ec.message() + ")");
    const std::string carpeta = (temporal / ("velqor-" + std::to_string(::geteuid()))).string();
    if (::mkdir(carpeta.c_str(), 0700) != 0 && errno != EEXIST) {
        NoSeEscribe(carpeta + " cannot be made (" + std::generic_category().message(errno) + ")");
    }
    struct stat st {};
    if (::lstat(carpeta.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
        NoSeEscribe(carpeta +
                    " is not a folder of this user's that only this user may enter "
                    "(mode 0700); remove it");
    }
    return carpeta;
}

ConfFreeTdsTemporal::ConfFreeTdsTemporal(const std::string& texto) {
    if (texto.empty()) return;
    const std::string carpeta = Carpeta();
    LimpiaHuerfanos(carpeta);
    const std::string base =
        carpeta + "/" + std::string(kPrefijo) + std::to_string(::getpid()) + "-";
    int fd = -1;
    std::string ruta;
    for (int n = 0; fd < 0 && n < 100; ++n) {
        ruta = base + std::to_string(n) + std::string(kExtension);
        fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) NoSeEscribe(ruta + " (" + std::generic_category().message(errno) + ")");
    borrado_ = std::make_unique<BorradoAlSalir>(ruta);
    bool escrito = true;
    for (size_t hecho = 0; escrito && hecho < texto.size();) {
        const ssize_t n = ::write(fd, texto.data() + hecho, texto.size() - hecho);
        escrito = n > 0 || (n < 0 && errno == EINTR);
        hecho += n > 0 ? static_cast<size_t>(n) : 0;
    }
    escrito = ::close(fd) == 0 && escrito;
    if (!escrito) {
        borrado_.reset();
        NoSeEscribe(ruta);
    }
    ruta_ = ruta;
    if (const char* v = std::getenv(kVariable)) anterior_ = v;
    ::setenv(kVariable, ruta_.c_str(), 1);
}

ConfFreeTdsTemporal::~ConfFreeTdsTemporal() {
    if (ruta_.empty()) return;
    if (anterior_) {
        ::setenv(kVariable, anterior_->c_str(), 1);
    } else {
        ::unsetenv(kVariable);
    }
    // borrado_ removes the file.
}

}  // namespace velqor::db
