#include "InstalacionPrueba.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/Momento.h"
#include "common/Proceso.h"
#include "common/Valor.h"
#include "components/Codificador.h"
#include "components/Utilidades.h"

extern char** environ;

namespace velqor::prueba {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNadie = 65534;  // nobody

// The environment of the run: no display, and settings, home and runtime folders of its own.
std::vector<std::string> Entorno(const InstalacionPrueba& inst) {
    std::vector<std::string> entorno;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        bool quitar = false;
        for (const char* quita : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "HOME=",
                                  "XDG_CONFIG_HOME=", "XDG_RUNTIME_DIR="}) {
            quitar = quitar || var.rfind(quita, 0) == 0;
        }
        if (!quitar) entorno.push_back(var);
    }
    entorno.push_back("HOME=" + inst.hogar.Texto());
    entorno.push_back("XDG_CONFIG_HOME=" + inst.hogar.Texto());
    entorno.push_back("XDG_RUNTIME_DIR=" + inst.salidas.Texto());
    return entorno;
}

// Hands a folder and everything in it to nobody, keeping its permission bits.
void CedeANadie(const fs::path& carpeta) {
    ASSERT_EQ(::chown(carpeta.c_str(), kNadie, kNadie), 0) << carpeta;
    for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
        ASSERT_EQ(::lchown(e.path().c_str(), kNadie, kNadie), 0) << e.path();
    }
}

}  // namespace

bool EsRoot() { return ::geteuid() == 0; }

InstalacionPrueba::InstalacionPrueba() {
    fs::copy_file(VELQOR_PROGRAMA, programa.Ruta() / "velqor");
    fs::create_directories(hogar.Ruta() / "Velqor");
}

void InstalacionPrueba::EscribeDefinicion(uint16_t puerto, int tiempoLogin) {
    EscribeDefinicionVentas(programa, puerto, tiempoLogin);
}

std::string InstalacionPrueba::EscribeLanzamiento(const std::string& carpetaInformes) {
    const std::string ruta = programa.En("noche.ZEVcos");
    const Lista valores{Valor::Texto("Ventas"),
                        Valor::Texto(carpetaInformes),
                        Valor::Texto("ana"),
                        Valor::Texto("secreto"),
                        Valor::Largo(0),
                        Valor::Logico(false),
                        Valor::Texto(respaldos.Texto())};
    EXPECT_TRUE(Codificador::GuardaArchivo(VersionPrograma::kEmpresa, valores, ruta, true));
    return ruta;
}

Corrida InstalacionPrueba::Ejecuta(const std::string& lanzamiento, const Limites& limites) {
    Corrida r;
    const bool comoNadie = limites.sinPrivilegios && EsRoot();
    if (comoNadie) {
        for (const CarpetaTemporal* c : {&programa, &informes, &hogar, &salidas}) {
            CedeANadie(c->Ruta());
        }
    }
    // Everything the child needs is made before fork.
    std::vector<std::string> entorno = Entorno(*this);
    entorno.insert(entorno.end(), limites.entorno.begin(), limites.entorno.end());
    std::vector<std::string> args{programa.En("velqor"), lanzamiento};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& v : entorno) envp.push_back(v.data());
    envp.push_back(nullptr);
    // Standard error goes through a pipe, as to a scheduler or a terminal: the file size limit
    // that stands for a full disk would stop it in a file.
    int tuberia[2];
    if (::pipe2(tuberia, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe for standard error";
        return r;
    }
    const rlimit limite{limites.tamanoMaximo, limites.tamanoMaximo};

    const auto inicio = std::chrono::steady_clock::now();
    const pid_t padre = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != padre) ::_exit(127);
        ::dup2(tuberia[1], STDERR_FILENO);
        const int nulo = ::open("/dev/null", O_RDONLY);
        ::dup2(nulo, STDIN_FILENO);
        if (limites.tamanoMaximo != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &limite);
        }
        if (comoNadie &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNadie) != 0 || ::setuid(kNadie) != 0)) {
            static const char aviso[] = "cannot drop privileges\n";
            [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, aviso, sizeof aviso - 1);
            ::_exit(kNoPudoCederPrivilegios);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(tuberia[1]);
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        ::close(tuberia[0]);
        return r;
    }
    ::fcntl(tuberia[0], F_SETFL, O_NONBLOCK);
    const auto leeError = [&] {
        char bloque[4096];
        for (ssize_t n; (n = ::read(tuberia[0], bloque, sizeof bloque)) > 0;) {
            r.error.append(bloque, static_cast<std::size_t>(n));
        }
    };
    int estado = 0;
    const auto tope = inicio + std::chrono::seconds(limites.segundos);
    r.terminoSolo = true;
    while (::waitpid(pid, &estado, WNOHANG) == 0) {
        leeError();
        if (limites.durante) limites.durante(pid);
        if (std::chrono::steady_clock::now() > tope) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &estado, 0);
            r.terminoSolo = false;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    r.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
    if (r.terminoSolo && WIFEXITED(estado)) r.codigo = WEXITSTATUS(estado);
    if (r.terminoSolo && WIFSIGNALED(estado)) r.senal = WTERMSIG(estado);
    leeError();
    ::close(tuberia[0]);
    return r;
}

std::vector<fs::path> InstalacionPrueba::Archivos(const std::string& extension) const {
    std::vector<fs::path> r;
    for (const auto& e : fs::directory_iterator(programa.Ruta())) {
        if (e.path().extension() == extension) r.push_back(e.path());
    }
    return r;
}

std::string InstalacionPrueba::Unico(const std::string& extension) const {
    const auto archivos = Archivos(extension);
    return archivos.size() == 1 ? LeeBytes(archivos.front().string()) : std::string();
}

std::string InstalacionPrueba::ArchivoHistorial(const std::string& carpetaInformes) {
    return UneRuta(carpetaInformes, Utilidades::NombreParaArchivo("Ventas") + "_" +
                                        Formatea(RelojSistema::Instancia().Ahora(), "yyyy_mm") +
                                        ".ZEVeri");
}

}  // namespace velqor::prueba
