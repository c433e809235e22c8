#include "engine/MesHistorial.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/Archivo.h"
#include "common/General.h"
#include "engine/TextoHistorial.h"

namespace velqor {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".journal";
// How many names a process tries for a journal of its own (pid, pid-1, ...).
constexpr int kNombresPorProceso = 100;

// Writes the whole of bytes at the end of the file fd (opened to append), flushed to disk. A
// write that fails half way is cut back off, so that the next line starts on a line of its own.
bool AgregaEntero(int fd, std::string_view bytes) {
    struct stat datos {};
    if (::fstat(fd, &datos) != 0) return false;
    std::size_t escrito = 0;
    while (escrito < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + escrito, bytes.size() - escrito);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            (void)::ftruncate(fd, datos.st_size);
            return false;
        }
        escrito += static_cast<std::size_t>(n);
    }
    return ::fdatasync(fd) == 0;
}

// The whole of the open file fd.
bool LeeTodo(int fd, std::string& bytes) {
    bytes.clear();
    char bloque[65536];
    for (off_t desde = 0;;) {
        const ssize_t n = ::pread(fd, bloque, sizeof bloque, desde);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.append(bloque, static_cast<std::size_t>(n));
        desde += n;
    }
}

// Adds to historial the measurements of the journal text that the file of fingerprint huella
// does not hold; answers how many.
std::size_t AgregaPendientes(std::string_view texto, uint64_t huella,
                             HistorialDensidad& historial) {
    std::size_t descartados = 0;
    const auto pendientes =
        DiarioHistorial::Pendientes(DiarioHistorial::Lee(texto, descartados), huella);
    for (const AsientoDiario& a : pendientes) historial.Agrega(a.tabla, a.indice, a.medicion);
    return pendientes.size();
}

// A journal taken over for a save: its path, the open file (locked) and its size before the save.
struct DiarioTomado {
    std::string ruta;
    int fd;
    off_t largo;
    bool propio;
};

// Closes the journals taken by a save that are not this process's own.
void Suelta(const std::vector<DiarioTomado>& diarios) {
    for (const DiarioTomado& d : diarios) {
        if (!d.propio) ::close(d.fd);
    }
}

}  // namespace

DiarioPropio::~DiarioPropio() {
    if (fd_ >= 0) ::close(fd_);  // the journal stays for the next save of any process
}

DiarioPropio::DiarioPropio(DiarioPropio&& otro) noexcept
    : archivo_(std::move(otro.archivo_)),
      ruta_(std::move(otro.ruta_)),
      fd_(std::exchange(otro.fd_, -1)),
      enMemoria_(std::move(otro.enMemoria_)) {}

bool DiarioPropio::Crea() {
    const std::string pid = std::to_string(::getpid());
    for (int n = 0; n < kNombresPorProceso; ++n) {
        const std::string ruta = archivo_ + "." + pid + (n == 0 ? "" : "-" + std::to_string(n)) +
                                 std::string(kExtension);
        // Created and locked under a name no reader looks at, then given its name: nobody ever
        // sees it unlocked, so nobody takes it for the journal of a process that has ended.
        const std::string nueva = ruta + ".new";
        const int fd = ::open(nueva.c_str(),
                              O_RDWR | O_CREAT | O_TRUNC | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        (void)::flock(fd, LOCK_EX | LOCK_NB);
        const bool nombrado = ::link(nueva.c_str(), ruta.c_str()) == 0;
        const int error = errno;
        ::unlink(nueva.c_str());
        if (nombrado) {
            fd_ = fd;
            ruta_ = ruta;
            return true;
        }
        ::close(fd);
        if (error != EEXIST) return false;
    }
    return false;
}

bool DiarioPropio::Anota(const std::string& tabla, const std::string& indice,
                         const Medicion& medicion) {
    if ((fd_ >= 0 || Crea()) &&
        AgregaEntero(fd_, DiarioHistorial::Medida(tabla, indice, medicion))) {
        return true;
    }
    enMemoria_.push_back({false, tabla, indice, medicion, 0});
    return false;
}

void DiarioPropio::Retira() {
    if (fd_ >= 0) {
        ::unlink(ruta_.c_str());
        ::close(fd_);
    }
    fd_ = -1;
    ruta_.clear();
    enMemoria_.clear();
}

std::vector<std::string> MesHistorial::Diarios(const std::string& ruta) {
    std::vector<std::string> diarios;
    const fs::path archivo(ruta);
    const std::string prefijo = archivo.filename().string() + ".";
    const fs::path carpeta = archivo.has_parent_path() ? archivo.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        const std::string nombre = it->path().filename().string();
        if (nombre.size() > prefijo.size() + kExtension.size() && nombre.starts_with(prefijo) &&
            nombre.ends_with(kExtension)) {
            diarios.push_back(
                (archivo.has_parent_path() ? carpeta / nombre : fs::path(nombre)).string());
        }
    }
    std::sort(diarios.begin(), diarios.end());
    return diarios;
}

bool MesHistorial::Carga(const std::string& ruta, HistorialDensidad& historial, bool& hallado,
                         std::string& error) {
    historial = HistorialDensidad();
    std::string bytes;
    hallado = LeeArchivo(ruta, bytes);
    bool leido = true;
    if (hallado && !TextoHistorial::Lee(LeeTexto(ruta), historial, error)) {
        leido = false;
        bytes.clear();  // set aside: none of its measurements counts as written
    }
    const uint64_t huella = DiarioHistorial::Huella(bytes);
    for (const std::string& diario : Diarios(ruta)) {
        std::string texto;
        if (!LeeArchivo(diario, texto)) continue;
        hallado = true;
        AgregaPendientes(texto, huella, historial);
    }
    historial.Ordena();
    return leido;
}

bool MesHistorial::Guarda(const std::string& ruta, HistorialDensidad& historial,
                          DiarioPropio& propio) {
    std::string bytes;
    const bool existe = LeeArchivo(ruta, bytes);
    const uint64_t huella = DiarioHistorial::Huella(existe ? bytes : std::string());

    // This process's journal, and those whose process has ended (nobody holds their lock).
    std::vector<DiarioTomado> diarios;
    std::size_t agregadas = 0;
    for (const std::string& diario : Diarios(ruta)) {
        const bool esPropio = propio.fd_ >= 0 && diario == propio.ruta_;
        const int fd = esPropio
                           ? propio.fd_
                           : ::open(diario.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        std::string texto;
        struct stat datos {};
        if ((!esPropio && ::flock(fd, LOCK_EX | LOCK_NB) != 0) || ::fstat(fd, &datos) != 0 ||
            !LeeTodo(fd, texto)) {
            if (!esPropio) ::close(fd);
            continue;
        }
        agregadas += AgregaPendientes(texto, huella, historial);
        diarios.push_back({diario, fd, datos.st_size, esPropio});
    }
    for (const AsientoDiario& a : propio.enMemoria_) {
        historial.Agrega(a.tabla, a.indice, a.medicion);
        ++agregadas;
    }

    if (existe && agregadas == 0) {
        // Every journal taken holds only what the file holds already.
        for (const DiarioTomado& d : diarios) {
            if (!d.propio) ::unlink(d.ruta.c_str());
        }
        Suelta(diarios);
        propio.Retira();
        return true;
    }

    historial.Ordena();
    std::string texto;
    if (!TextoHistorial::Escribe(historial, texto)) {
        Suelta(diarios);
        return false;
    }
    const std::string nuevos = BytesArchivo(texto);
    // Each journal first says which file holds its measurements: should the process end between
    // the file's write and the journals' removal, the next save knows them for written.
    const std::string marca = DiarioHistorial::Marca(DiarioHistorial::Huella(nuevos));
    bool marcados = true;
    for (const DiarioTomado& d : diarios) marcados = marcados && AgregaEntero(d.fd, marca);
    if (!marcados || !ReemplazaArchivo(ruta, nuevos)) {
        for (const DiarioTomado& d : diarios) (void)::ftruncate(d.fd, d.largo);
        Suelta(diarios);
        return false;
    }
    for (const DiarioTomado& d : diarios) {
        if (!d.propio) ::unlink(d.ruta.c_str());
    }
    Suelta(diarios);
    propio.Retira();
    return true;
}

}  // namespace velqor
