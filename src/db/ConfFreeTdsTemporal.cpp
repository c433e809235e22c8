#include "db/ConfFreeTdsTemporal.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "common/ErrorEjecucion.h"

namespace velqor::db {

namespace {
constexpr const char* kVariable = "FREETDSCONF";
}

ConfFreeTdsTemporal::ConfFreeTdsTemporal(const std::string& texto) {
    if (texto.empty()) return;
    std::error_code ec;
    std::string plantilla =
        (std::filesystem::temp_directory_path(ec) / "velqor-freetds-XXXXXX").string();
    const int fd = ::mkstemp(plantilla.data());  // mode 0600
    bool escrito = fd >= 0;
    for (size_t hecho = 0; escrito && hecho < texto.size();) {
        const ssize_t n = ::write(fd, texto.data() + hecho, texto.size() - hecho);
        escrito = n > 0;
        hecho += escrito ? static_cast<size_t>(n) : 0;
    }
    if (fd >= 0) escrito = ::close(fd) == 0 && escrito;
    if (!escrito) {
        if (fd >= 0) std::remove(plantilla.c_str());
        throw ErrorEjecucion(errores::kFalloGeneral,
                             "The FreeTDS settings for checking the server's certificate could "
                             "not be written to the temporary folder");
    }
    ruta_ = plantilla;
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
    std::remove(ruta_.c_str());
}

}  // namespace velqor::db
