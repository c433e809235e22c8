#include "common/General.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <limits>

#include "common/ErrorEjecucion.h"
#include "common/Texto1252.h"
#include "db/Connection.h"

namespace velqor {

namespace {

constexpr std::string_view kSaltoLinea = "\r\n";

// The process-wide values and the installed message box: the module's only state.
struct EstadoProceso {
    Momento inicioProceso{};
    bool desatendido = false;
    std::string archivoLog;
    CuadroMensaje cuadro;
};

EstadoProceso& Estado() {
    static EstadoProceso estado;
    return estado;
}

// Replaces every occurrence of buscado in texto by reemplazo, left to right, without looking
// at the inserted text again.
std::string Reemplaza(std::string_view texto, std::string_view buscado, std::string_view reemplazo) {
    std::string resultado;
    resultado.reserve(texto.size());
    std::size_t desde = 0;
    for (std::size_t hallado = texto.find(buscado); hallado != std::string_view::npos;
         hallado = texto.find(buscado, desde)) {
        resultado.append(texto.substr(desde, hallado - desde));
        resultado.append(reemplazo);
        desde = hallado + buscado.size();
    }
    resultado.append(texto.substr(desde));
    return resultado;
}

// Writes all of bytes to the open descriptor; false on any short or failed write.
bool EscribeTodo(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t escritos = ::write(descriptor, bytes.data(), bytes.size());
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

// Appends bytes to the file at ruta, creating it when missing.
bool AnexaArchivo(const std::string& ruta, std::string_view bytes) {
    Descriptor archivo(::open(ruta.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    return archivo.Abierto() && EscribeTodo(archivo.fd(), bytes) && archivo.Cierra();
}

}  // namespace

// ---- Process-wide values ----

Momento InicioProceso() { return Estado().inicioProceso; }
void FijaInicioProceso(Momento m) { Estado().inicioProceso = m; }
bool Desatendido() { return Estado().desatendido; }
void FijaDesatendido(bool v) { Estado().desatendido = v; }
const std::string& ArchivoLog() { return Estado().archivoLog; }
void FijaArchivoLog(std::string ruta) { Estado().archivoLog = std::move(ruta); }

// ---- The message box service ----

void InstalaCuadroMensaje(CuadroMensaje cuadro) { Estado().cuadro = std::move(cuadro); }

void MuestraMensaje(const std::string& texto, const std::string& titulo) {
    const std::string& tituloMostrado = titulo.empty() ? TituloAplicacion() : titulo;
    try {
        if (Estado().cuadro) {
            Estado().cuadro(texto, tituloMostrado);
        } else {
            std::cerr << tituloMostrado << ": " << texto << std::endl;
        }
    } catch (...) {
        // A notice that cannot be shown is lost; the caller carries on.
    }
}

std::string TituloAplicacion() { return "Velqor"; }

// ---- Texts ----

std::string Mensaje(std::string_view plantilla, const std::vector<Valor>& valores) {
    try {
        std::string texto = Reemplaza(plantilla, "||", kSaltoLinea);
        for (std::size_t k = 1; k <= valores.size(); ++k) {
            const Valor& valor = valores[k - 1];
            if (valor.EsNulo() || valor.EsMatriz()) {
                break;
            }
            texto = Reemplaza(texto, "|" + std::to_string(k), valor.ATexto());
        }
        return texto;
    } catch (...) {
        return std::string(plantilla);
    }
}

void AgregaLinea(std::string& informe, std::string_view linea) {
    informe.append(linea);
    informe.append(kSaltoLinea);
}

std::string Duracion(Momento desde, bool entreParentesis, Momento hasta) {
    std::string texto;
    int64_t diferencia = 0;
    if (!__builtin_sub_overflow(hasta.time_since_epoch().count(), desde.time_since_epoch().count(),
                                &diferencia) &&
        diferencia >= -std::numeric_limits<int32_t>::max() &&
        diferencia <= std::numeric_limits<int32_t>::max()) {
        int32_t s = static_cast<int32_t>(diferencia < 0 ? -diferencia : diferencia);
        int32_t m = s / 60;
        s %= 60;
        int32_t h = m / 60;
        m %= 60;
        const int32_t d = h / 24;
        h %= 24;
        AgregaUnidad(texto, d, Mensaje("Day"), Mensaje("Days"));
        AgregaUnidad(texto, h, Mensaje("Hour"), Mensaje("Hours"));
        AgregaUnidad(texto, m, Mensaje("Minute"), Mensaje("Minutes"));
        AgregaUnidad(texto, s, Mensaje("Second"), Mensaje("Seconds"));
    }
    if (texto.empty()) {
        texto = Mensaje("<1 second");
    }
    if (!entreParentesis) {
        return texto;
    }
    for (char& c : texto) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return "(" + texto + ")";
}

std::string Duracion(Momento desde, bool entreParentesis) {
    return Duracion(desde, entreParentesis, RelojSistema::Instancia().Ahora());
}

void AgregaUnidad(std::string& texto, int32_t cantidad, std::string_view singular,
                  std::string_view plural) {
    if (cantidad <= 0) {
        return;
    }
    if (!texto.empty()) {
        texto += ' ';
    }
    texto += std::to_string(cantidad);
    texto += ' ';
    texto.append(cantidad == 1 ? singular : plural);
}

std::string MarcaTiempo() { return Formatea(InicioProceso(), "yyyymmddhhnnss"); }

std::string FechaHora(Momento fecha) { return Formatea(fecha, "dd/mm/yyyy hh:nn:ss"); }

std::string FechaHora() { return FechaHora(RelojSistema::Instancia().Ahora()); }

std::string TextoVersion(int32_t numero) {
    const std::string t = std::to_string(numero);
    const std::size_t signo = numero < 0 ? 1 : 0;
    // Pairs of digits from the right; the leftmost group keeps one or two digits.
    std::string resultado = t.substr(0, signo);
    const std::size_t cifras = t.size() - signo;
    std::size_t primerGrupo = cifras % 2 == 0 ? 2 : 1;
    resultado.append(t, signo, primerGrupo);
    for (std::size_t i = signo + primerGrupo; i < t.size(); i += 2) {
        resultado += '.';
        resultado.append(t, i, 2);
    }
    return resultado;
}

// ---- Whole text files ----

bool GrabaTexto(const std::string& ruta, std::string_view texto) {
    try {
        std::string bytes = Utf8A1252(texto);
        bytes.append(kSaltoLinea);

        // Written beside the target under a fresh name, then renamed over it, so that a failed
        // write leaves the old file as it was.
        std::string temporal;
        int fd = -1;
        for (int intento = 0; intento < 100 && fd < 0; ++intento) {
            temporal = ruta + ".~" + std::to_string(::getpid()) + "_" + std::to_string(intento);
            fd = ::open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) {
                return false;
            }
        }
        Descriptor archivo(fd);
        if (!archivo.Abierto()) {
            return false;
        }
        struct stat anterior {};
        if (::stat(ruta.c_str(), &anterior) == 0 && S_ISREG(anterior.st_mode)) {
            ::fchmod(archivo.fd(), anterior.st_mode & 07777);
        }
        const bool escrito = EscribeTodo(archivo.fd(), bytes) && archivo.Cierra();
        if (!escrito || ::rename(temporal.c_str(), ruta.c_str()) != 0) {
            ::unlink(temporal.c_str());
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

std::string LeeTexto(const std::string& ruta) {
    try {
        Descriptor archivo(::open(ruta.c_str(), O_RDONLY | O_CLOEXEC));
        if (!archivo.Abierto()) {
            return {};
        }
        std::string bytes;
        char bloque[65536];
        for (;;) {
            const ssize_t leidos = ::read(archivo.fd(), bloque, sizeof bloque);
            if (leidos == 0) {
                break;
            }
            if (leidos < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return {};
            }
            bytes.append(bloque, static_cast<std::size_t>(leidos));
        }
        return De1252AUtf8(bytes);
    } catch (...) {
        return {};
    }
}

// ---- Error reporting ----

void InformaError(int32_t numero, std::string_view descripcion, const db::Connection* conn,
                  std::string_view textoAlternativo, bool silencioso, std::string_view contexto) {
    try {
        std::string textoError;
        if (numero == 0) {
            textoError = std::string(textoAlternativo);
        } else {
            // Negative numbers are counted from the base of object-defined errors (0x80040000).
            const int64_t mostrado = numero > 0 ? numero : int64_t{numero} + 2147221504;
            textoError = "Error " + std::to_string(mostrado) + ": " + std::string(descripcion);
        }
        textoError.append(kSaltoLinea);
        if (conn != nullptr) {
            for (const db::ErrorProveedor& error : conn->Errors()) {
                if (error.NativeError != 0) {
                    textoError += Mensaje("Native Error |1", {Valor::Largo(error.NativeError)});
                    textoError += ": " + error.Description;
                    textoError.append(kSaltoLinea);
                }
            }
        }

        if (!silencioso && !Desatendido()) {
            MuestraMensaje(std::string(contexto) + std::string(kSaltoLinea) + textoError,
                           TituloAplicacion());
            return;
        }

        std::string entrada = FechaHora();
        entrada.append(kSaltoLinea);
        entrada += textoError;
        entrada.append(kSaltoLinea);
        if (!contexto.empty()) {
            entrada.append(contexto);
            entrada.append(kSaltoLinea);
        }
        entrada.append(kSaltoLinea);
        AnexaArchivo(ArchivoLog(), Utf8A1252(entrada));
    } catch (...) {
        // The report is lost; the caller carries on.
    }
}

}  // namespace velqor
