#include "common/Archivo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// Creates a fresh file beside ruta under a name no other file has; fills temporal with its name.
int CreaTemporal(const std::string& ruta, std::string& temporal) {
    for (int intento = 0; intento < 100; ++intento) {
        temporal = ruta + ".~" + std::to_string(::getpid()) + "_" + std::to_string(intento);
        const int fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool ReemplazaArchivo(const std::string& ruta, std::string_view bytes) {
    try {
        std::string temporal;
        Descriptor archivo(CreaTemporal(ruta, temporal));
        if (!archivo.Abierto()) {
            return false;
        }
        struct stat anterior {};
        if (::stat(ruta.c_str(), &anterior) == 0 && S_ISREG(anterior.st_mode)) {
            ::fchmod(archivo.fd(), anterior.st_mode & 07777);
        }
        if (!EscribeTodo(archivo.fd(), bytes) || !archivo.Cierra() ||
            ::rename(temporal.c_str(), ruta.c_str()) != 0) {
            ::unlink(temporal.c_str());
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool AnexaArchivo(const std::string& ruta, std::string_view bytes) {
    Descriptor archivo(::open(ruta.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    return archivo.Abierto() && EscribeTodo(archivo.fd(), bytes) && archivo.Cierra();
}

bool LeeArchivo(const std::string& ruta, std::string& bytes) {
    try {
        bytes.clear();
        Descriptor archivo(::open(ruta.c_str(), O_RDONLY | O_CLOEXEC));
        if (!archivo.Abierto()) {
            return false;
        }
        char bloque[65536];
        for (;;) {
            const ssize_t leidos = ::read(archivo.fd(), bloque, sizeof bloque);
            if (leidos == 0) {
                return true;
            }
            if (leidos < 0) {
                if (errno == EINTR) {
                    continue;
                }
                bytes.clear();
                return false;
            }
            bytes.append(bloque, static_cast<std::size_t>(leidos));
        }
    } catch (...) {
        bytes.clear();
        return false;
    }
}

}  // namespace velqor
