#include "components/LlaveInstalacion.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/Archivo.h"
#include "components/Cripto.h"

namespace velqor::LlaveInstalacion {

namespace {

namespace fs = std::filesystem;

constexpr const char* kVariableSistema = "VELQOR_SYSTEM_KEY";
constexpr const char* kRutaSistema = "/etc/velqor/key";

std::string Variable(const char* nombre) {
    const char* valor = std::getenv(nombre);
    return valor == nullptr ? std::string() : std::string(valor);
}

std::string Sistema(int numero) { return std::generic_category().message(numero); }

}  // namespace

std::string RutaUsuario() {
    std::string base = Variable("XDG_CONFIG_HOME");
    // The XDG rule: a relative value is to be ignored.
    if (base.empty() || base.front() != '/') {
        const std::string casa = Variable("HOME");
        if (casa.empty()) return "";
        base = casa + "/.config";
    }
    return base + "/velqor/key";
}

std::string RutaSistema() {
    const std::string dada = Variable(kVariableSistema);
    return dada.empty() ? std::string(kRutaSistema) : dada;
}

bool Llaves(std::vector<std::string>& llaves, std::string& error) {
    llaves.clear();
    for (const std::string& ruta : {RutaUsuario(), RutaSistema()}) {
        if (ruta.empty()) continue;
        struct stat st {};
        if (::stat(ruta.c_str(), &st) != 0) continue;     // no key there
        if (::access(ruta.c_str(), R_OK) != 0) continue;  // another user's (a service's) key
        std::string llave;
        if (!S_ISREG(st.st_mode) || !LeeArchivo(ruta, llave, kLargo + 1) ||
            llave.size() != kLargo) {
            error = "the installation key " + ruta +
                    " is not a key (32 bytes made by velqor-config init-key)";
            llaves.clear();
            return false;
        }
        llaves.push_back(std::move(llave));
    }
    return true;
}

bool Crea(const std::string& ruta, bool carpetaPrivada, const std::optional<std::string>& grupo,
          std::string& error) {
    std::optional<gid_t> gid;
    if (grupo) {
        const group* g = ::getgrnam(grupo->c_str());
        if (g == nullptr) {
            error = "there is no group " + *grupo;
            return false;
        }
        gid = g->gr_gid;
    }
    const fs::path carpeta = fs::path(ruta).parent_path();
    std::error_code ec;
    if (!carpeta.empty() && !fs::exists(carpeta, ec)) {
        fs::create_directories(carpeta, ec);
        if (ec) {
            error = "cannot make the folder " + carpeta.string() + ": " + ec.message();
            return false;
        }
        ::chmod(carpeta.c_str(), carpetaPrivada ? 0700 : 0755);
    }
    const std::string llave = cripto::BytesAleatorios(kLargo);
    if (llave.size() != kLargo) {
        error = "the system's random source failed";
        return false;
    }
    // O_EXCL: an existing key is never replaced, even by two runs at once.
    const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = errno == EEXIST ? ruta +
                                      " exists already: a key is never replaced, since what "
                                      "was written under it could no longer be read"
                                : "cannot write " + ruta + ": " + Sistema(errno);
        return false;
    }
    bool bien = ::write(fd, llave.data(), llave.size()) == static_cast<ssize_t>(llave.size());
    if (bien && gid)
        bien = ::fchown(fd, static_cast<uid_t>(-1), *gid) == 0 && ::fchmod(fd, 0640) == 0;
    bien = ::fsync(fd) == 0 && bien;
    bien = ::close(fd) == 0 && bien;
    if (!bien) {
        error = "cannot write " + ruta + ": " + Sistema(errno);
        ::unlink(ruta.c_str());
        return false;
    }
    return true;
}

}  // namespace velqor::LlaveInstalacion
