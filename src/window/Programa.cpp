#include "window/Programa.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "common/General.h"
#include "common/Proceso.h"
#include "components/Lanzamiento.h"
#include "window/AjustesNoDisponibles.h"
#include "window/LineaTerminal.h"
#include "window/MedidaAvance.h"
#include "window/VistaSinPantalla.h"
#include "window/frmReindexador.h"

namespace velqor::ventana {

const char* const kSinPantalla =
    "velqor: no display is available; give the path of a launch configuration to run a pass "
    "unattended\n";

namespace {

// Stop requests (SIGTERM, SIGINT) received during an unattended run; a signal handler may only
// touch such a value.
volatile std::sig_atomic_t gParadas = 0;

void AnotaParada(int) {
    if (gParadas < 2) gParadas = gParadas + 1;
}

// From now on SIGTERM and SIGINT ask the run to stop instead of ending the process on the spot.
void AtiendeSenalesDeParada() {
    struct sigaction accion {};
    accion.sa_handler = AnotaParada;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &accion, nullptr);
    sigaction(SIGINT, &accion, nullptr);
}

// How long a stop request may wait for the running statement before it is cancelled at the
// server: VELQOR_SERVER_CANCEL_AFTER seconds when set to a whole number, otherwise 30. A stop
// through a service manager (one SIGTERM, then SIGKILL when its time-out runs out) thus ends the
// pass in an orderly way well within a minute.
std::chrono::seconds SegundosHastaCancelarEnServidor() {
    constexpr int kPorDefecto = 30;
    const char* valor = std::getenv("VELQOR_SERVER_CANCEL_AFTER");
    if (valor == nullptr || *valor == '\0') return std::chrono::seconds(kPorDefecto);
    char* fin = nullptr;
    const long segundos = std::strtol(valor, &fin, 10);
    if (*fin != '\0' || segundos < 0 || segundos > 86400) return std::chrono::seconds(kPorDefecto);
    return std::chrono::seconds(segundos);
}

// The stop requests as the form counts them: those received, and a second one of the program's
// own once the first has waited espera without the run ending.
std::function<int()> ParadasConEscalada(std::chrono::seconds espera) {
    return [espera, primera = std::optional<std::chrono::steady_clock::time_point>()]() mutable {
        const int recibidas = static_cast<int>(gParadas);
        if (recibidas != 1) return recibidas;
        const auto ahora = std::chrono::steady_clock::now();
        if (!primera) primera = ahora;
        if (ahora - *primera < espera) return 1;
        if (gParadas < 2) {
            gParadas = 2;
            RegistraAviso(Mensaje("The running statement still ran |1 seconds after the stop "
                                  "request: it is cancelled at the server",
                                  {Valor::Largo(static_cast<int32_t>(espera.count()))}),
                          "");
        }
        return 2;
    };
}

// The launch configuration the command line names, when this program can read it: the run is
// then unattended and nobody looks at a screen. Read here once; the form takes what was read.
std::optional<Lanzamiento> LanzamientoLegible(std::string ruta) {
    std::erase(ruta, '"');
    Lanzamiento lanzamiento;
    std::string error;
    if (!Lanzamiento::Lee(ruta, lanzamiento, error)) return std::nullopt;
    return lanzamiento;
}

// Several launch configurations, one an argument, each read once: only when they cannot be taken
// for one path that arrived in pieces, that is when there are two or more arguments and each on
// its own names a launch configuration this program can read, no file twice. Empty otherwise.
std::vector<Lanzamiento> VariosLanzamientos(int argc, char** argv) {
    std::vector<Lanzamiento> lanzamientos;
    if (argc < 3) return lanzamientos;
    std::vector<std::filesystem::path> vistos;
    for (int i = 1; i < argc; ++i) {
        auto lanzamiento = LanzamientoLegible(argv[i]);
        std::error_code ec;
        const auto ruta = std::filesystem::canonical(argv[i], ec);
        if (!lanzamiento || ec || std::find(vistos.begin(), vistos.end(), ruta) != vistos.end())
            return {};
        vistos.push_back(ruta);
        lanzamientos.push_back(std::move(*lanzamiento));
    }
    return lanzamientos;
}

// A start nobody sees: an unattended run from a launch configuration, or a command line to refuse
// on a machine where no window can be shown.
int EjecutaSinVentana(const std::string& linea, std::optional<Lanzamiento> lanzamiento) {
    const bool desatendido = lanzamiento.has_value();
    if (desatendido) AtiendeSenalesDeParada();
    AjustesNoDisponibles ajustes;
    VistaSinPantalla vista;
    Arranque arranque{CarpetaPrograma(), linea, false, {}};
    arranque.lanzamiento = std::move(lanzamiento);
    // Started by hand from a terminal, the run draws its progress on one line of standard error;
    // under a scheduler standard error is no terminal and nothing is drawn.
    LineaTerminal lineaProgreso(std::cerr);
    if (desatendido) {
        arranque.paradas = ParadasConEscalada(SegundosHastaCancelarEnServidor());
        if (isatty(STDERR_FILENO) == 1) {
            arranque.alAvanzar = [&lineaProgreso](const EstadoAvance& estado) {
                if (estado.paso == Velqor::Paso::Fin) {
                    lineaProgreso.Borra();
                } else {
                    lineaProgreso.Escribe("velqor: " + MedidaAvance::LineaTerminal(estado));
                }
            };
        }
    }
    frmReindexador form(vista, ajustes, {}, std::move(arranque));
    vista.Conecta(form);
    form.Form_Load();
    return TerminaArranque(form, vista, !vista.Cerrada(), {});
}

// The window part's entry, loaded now from the module at ruta; null with the loader's reason in
// error when it cannot be. The module stays loaded until the process ends.
EntradaVentana CargaVentana(const std::string& ruta, std::string& error) {
    void* cargado = dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entrada = cargado ? dlsym(cargado, kEntradaVentana) : nullptr;
    if (entrada == nullptr) {
        const char* motivo = dlerror();
        error = motivo ? motivo : ruta;
        return nullptr;
    }
    return reinterpret_cast<EntradaVentana>(entrada);
}

}  // namespace

std::string LineaComandos(int argc, char** argv) {
    std::string linea;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) linea += ' ';
        linea += argv[i];
    }
    return linea;
}

bool VariableDefinida(const char* variable) {
    const char* valor = std::getenv(variable);
    return valor != nullptr && *valor != '\0';
}

int EjecutaPrograma(int argc, char** argv, const char* moduloVentana) {
    // Each configuration runs in turn, with its own report, history and log entries; one that
    // fails does not stop the next. The run exits with the worst status; a stop request ends it
    // after the configuration it interrupted.
    if (auto lanzamientos = VariosLanzamientos(argc, argv); !lanzamientos.empty()) {
        int peor = kSalidaCorrecta;
        for (size_t i = 0; i < lanzamientos.size() && gParadas == 0; ++i)
            peor = std::max(peor, EjecutaSinVentana(argv[i + 1], std::move(lanzamientos[i])));
        return peor;
    }
    const std::string linea = LineaComandos(argc, argv);
    // A run nobody sees needs no display, and an unset, closed or unreachable one must not stop it
    // before it can log anything: no toolkit is started at all.
    if (auto lanzamiento = LanzamientoLegible(linea)) {
        return EjecutaSinVentana(linea, std::move(lanzamiento));
    }
    const bool hayPantalla = VariableDefinida("QT_QPA_PLATFORM") || VariableDefinida("DISPLAY") ||
                             VariableDefinida("WAYLAND_DISPLAY");
    if (hayPantalla) {
        std::string error;
        if (const EntradaVentana ventana =
                CargaVentana(UneRuta(CarpetaPrograma(), moduloVentana), error)) {
            return ventana(argc, argv);
        }
        if (linea.empty()) {
            std::cerr << "velqor: the window cannot be opened: " << error << "\n";
            return kSalidaConfiguracionInutil;
        }
    } else if (linea.empty()) {
        std::cerr << kSinPantalla;
        return kSalidaConfiguracionInutil;
    }
    // Nobody can be shown a window: a command line that names nothing usable is refused with why.
    return EjecutaSinVentana(linea, std::nullopt);
}

int TerminaArranque(frmReindexador& form, VistaReindexador& vista, bool abierta,
                    const std::function<void()>& sesion) {
    if (abierta && !sesion) {
        // The start stopped on an error, already in the log file; nobody is there to go on.
        vista.Cierra();
        InstalaCuadroMensaje({});
        std::cerr << "velqor: the unattended run stopped on an error; see " << ArchivoLog() << "\n";
        return kSalidaPaseFallido;
    }
    if (abierta) sesion();
    InstalaCuadroMensaje({});
    if (!form.MotivoRechazo().empty() && form.Salida() != kSalidaCorrecta) {
        std::cerr << "velqor: " << form.MotivoRechazo() << "\n";
    }
    return form.Salida();
}

}  // namespace velqor::ventana
