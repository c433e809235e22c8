#include "common/Archivo.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

namespace velqor {

namespace {

// Closes a POSIX descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int fd() const { return fd_; }
    bool Abierto() const { return fd_ >= 0; }
    // Closes now and tells whether the close succeeded (a late write error shows here).
    bool Cierra() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Writes all of bytes to the descriptor; false on any failed write.
bool EscribeTodo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t escritos = ::write(fd, bytes.data(), bytes.size());
        if (escritos < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(escritos));
    }
    return true;
}

// The folder part of ruta ("." when it has none) and the name part.
std::string Carpeta(const std::string& ruta) {
    const std::size_t barra = ruta.rfind('/');
    if (barra == std::string::npos) return ".";
    return barra == 0 ? "/" : ruta.substr(0, barra);
}
std::string Nombre(const std::string& ruta) {
    const std::size_t barra = ruta.rfind('/');
    return barra == std::string::npos ? ruta : ruta.substr(barra + 1);
}

// Flushes a folder's entries (a rename or a new name in it) to disk.
bool SincronizaCarpeta(const std::string& carpeta) {
    Descriptor d(::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return d.Abierto() && ::fsync(d.fd()) == 0;
}

// The start every temporary of ruta's name carries: ".<name>.~".
std::string PrefijoTemporal(const std::string& ruta) { return "." + Nombre(ruta) + ".~"; }

// Removes the temporaries in ruta's folder whose writer (the pid in their name) no longer runs:
// what a process killed while writing left behind.
void LimpiaTemporales(const std::string& ruta) {
    const std::string carpeta = Carpeta(ruta);
    DIR* dir = ::opendir(carpeta.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> huerfanos;
    while (const dirent* e = ::readdir(dir)) {
        const std::string nombre = e->d_name;
        if (!EsTemporal(nombre)) continue;
        const std::string_view resto = std::string_view(nombre).substr(nombre.rfind(".~") + 2);
        pid_t pid = 0;
        const auto r = std::from_chars(resto.data(), resto.data() + resto.size(), pid);
        if (r.ec != std::errc{} || r.ptr == resto.data() + resto.size() || *r.ptr != '_') continue;
        if (ProcesoTerminado(pid)) {
            huerfanos.push_back(nombre);
        }
    }
    ::closedir(dir);
    for (const std::string& nombre : huerfanos) {
        ::unlink((carpeta + "/" + nombre).c_str());
    }
}

// Creates a fresh temporary beside ruta under a name no other file has; fills temporal with it.
int CreaTemporal(const std::string& ruta, std::string_view sufijo, mode_t modo,
                 std::string& temporal) {
    const std::string base =
        Carpeta(ruta) + "/" + PrefijoTemporal(ruta) + std::to_string(::getpid()) + "_";
    for (int intento = 0; intento < 100; ++intento) {
        temporal = base + std::to_string(intento) + std::string(sufijo);
        const int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// True when an existing ruta must not be replaced: a file nobody may write, or one this user may
// not write.
bool SoloLectura(const std::string& ruta, const struct stat& actual) {
    return (actual.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::access(ruta.c_str(), W_OK) != 0;
}

// Writes the bytes of partes, one after the other, into a new temporary beside ruta and flushes
// it; its name goes to temporal. The file gets modo when given, otherwise the default permissions
// (the umask's).
bool EscribeTemporal(const std::string& ruta, std::initializer_list<std::string_view> partes,
                     std::optional<mode_t> modo, std::string_view sufijo, std::string& temporal) {
    Descriptor archivo(CreaTemporal(ruta, sufijo, modo.value_or(0666), temporal));
    if (!archivo.Abierto()) return false;
    bool bien = !modo || ::fchmod(archivo.fd(), *modo) == 0;
    for (const std::string_view bytes : partes) {
        bien = bien && EscribeTodo(archivo.fd(), bytes);
    }
    bien = bien && ::fsync(archivo.fd()) == 0;
    if (archivo.Cierra() && bien) return true;
    ::unlink(temporal.c_str());
    return false;
}

}  // namespace

bool ProcesoTerminado(long pid) {
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
           errno == ESRCH;
}

bool EsTemporal(const std::string& nombre) {
    return nombre.starts_with('.') && nombre.find(".~", 1) != std::string::npos;
}

namespace {

bool Reemplaza(const std::string& ruta, std::initializer_list<std::string_view> partes,
               Permisos permisos, const RevisaTemporal& revisa, std::string_view sufijo) {
    try {
        if (ruta.empty()) return false;
        std::optional<mode_t> modo;
        struct stat actual {};
        if (::stat(ruta.c_str(), &actual) == 0) {
            if (!S_ISREG(actual.st_mode) || SoloLectura(ruta, actual)) return false;
            modo = actual.st_mode & 07777;
        }
        if (permisos == Permisos::Privados) modo = S_IRUSR | S_IWUSR;
        LimpiaTemporales(ruta);
        std::string temporal;
        if (!EscribeTemporal(ruta, partes, modo, sufijo, temporal)) return false;
        if ((revisa && !revisa(temporal)) || ::rename(temporal.c_str(), ruta.c_str()) != 0) {
            ::unlink(temporal.c_str());
            return false;
        }
        SincronizaCarpeta(Carpeta(ruta));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool ReemplazaArchivo(const std::string& ruta, std::string_view bytes, Permisos permisos,
                      const RevisaTemporal& revisa, std::string_view sufijo) {
    return Reemplaza(ruta, {bytes}, permisos, revisa, sufijo);
}

bool ReemplazaArchivoPorPartes(const std::string& ruta,
                               std::initializer_list<std::string_view> partes) {
    return Reemplaza(ruta, partes, Permisos::Conservar, {}, {});
}

std::string CreaArchivoNuevo(const std::string& base, const std::string& extension,
                             std::string_view bytes) {
    try {
        const std::string primera = base + extension;
        LimpiaTemporales(primera);
        std::string temporal;
        if (!EscribeTemporal(primera, {bytes}, std::nullopt, {}, temporal)) return {};
        std::string ruta;
        // A hard link takes the name only when nobody has it, so no other run's file is replaced.
        for (int n = 1; n < 1000 && ruta.empty(); ++n) {
            const std::string candidata =
                n == 1 ? primera : base + "_" + std::to_string(n) + extension;
            if (::link(temporal.c_str(), candidata.c_str()) == 0) {
                ruta = candidata;
            } else if (errno != EEXIST) {
                break;
            }
        }
        ::unlink(temporal.c_str());
        if (!ruta.empty()) SincronizaCarpeta(Carpeta(ruta));
        return ruta;
    } catch (...) {
        return {};
    }
}

bool AgregaArchivo(const std::string& ruta, std::string_view bytes) {
    Descriptor archivo(::open(ruta.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    return archivo.Abierto() && EscribeTodo(archivo.fd(), bytes) && archivo.Cierra();
}

bool LeeArchivo(const std::string& ruta, std::string& bytes, std::size_t maximo) {
    try {
        Descriptor archivo(::open(ruta.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (!archivo.Abierto() || ::fstat(archivo.fd(), &st) != 0 || !S_ISREG(st.st_mode)) {
            return false;
        }
        // Read straight into a buffer of the size the file has now, grown if it grows meanwhile.
        constexpr std::size_t kBloque = 65536;
        std::string contenido;
        contenido.resize(std::min(static_cast<std::size_t>(st.st_size), maximo) + 1);
        std::size_t usados = 0;
        for (;;) {
            if (usados == contenido.size()) {
                contenido.resize(usados + std::max(usados, kBloque));
            }
            const ssize_t leidos =
                ::read(archivo.fd(), contenido.data() + usados, contenido.size() - usados);
            if (leidos == 0) {
                contenido.resize(usados);
                bytes = std::move(contenido);
                return true;
            }
            if (leidos < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            usados += static_cast<std::size_t>(leidos);
            if (usados > maximo) return false;
        }
    } catch (...) {
        return false;
    }
}

bool LegiblePorOtros(const std::string& ruta) {
    struct stat st {};
    return ::stat(ruta.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace velqor
