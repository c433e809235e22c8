#pragma once
// A portable install of the built velqor for one test: the program copied into a folder of its own
// beside a connection definition "Ventas" for sqlsim and a launch configuration, a report folder,
// the server-side backup folder and a settings home; and one unattended run of it under limits
// (a time limit after which it is killed, a file size limit, no privileges).

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CarpetaTemporal.h"
#include "EscenarioVentas.h"

namespace velqor::prueba {

// The exit code of a run that could not give up root's privileges (Limites::sinPrivilegios).
constexpr int kNoPudoCederPrivilegios = 126;

struct Limites {
    int segundos = 20;                    // the run is killed when still going after this
    rlim_t tamanoMaximo = RLIM_INFINITY;  // RLIMIT_FSIZE of the run, with SIGXFSZ ignored
    bool sinPrivilegios = false;          // run as nobody when the test itself runs as root
    std::vector<std::string> entorno = {};     // extra "NAME=value" entries of the run's environment
    std::function<void(pid_t)> durante = {};   // called every few milliseconds while the run goes on
};

struct Corrida {
    bool terminoSolo = false;  // false when it had to be killed
    int codigo = -1;           // exit code; -1 when it ended by a signal or was killed
    int senal = 0;             // the signal that ended it, 0 when it exited
    double segundos = 0;       // wall time of the run
    std::string error;         // standard error
};

class InstalacionPrueba {
  public:
    InstalacionPrueba();

    // Writes Ventas.cfp for 127.0.0.1:puerto with the given LoginTimeout (seconds).
    void EscribeDefinicion(uint16_t puerto, int tiempoLogin = 10);
    // Writes noche.ZEVcos (users off line) naming carpetaInformes as the report folder; answers
    // its path.
    std::string EscribeLanzamiento(const std::string& carpetaInformes);
    std::string EscribeLanzamiento() { return EscribeLanzamiento(informes.Texto()); }

    // Runs the program unattended with the launch configuration, without a display (unless
    // limites.entorno names one). Safe to call from two threads at once.
    Corrida Ejecuta(const std::string& lanzamiento, const Limites& limites = {});

    // Files beside the program whose names end with extension (".txt" reports, ".log" logs).
    std::vector<std::filesystem::path> Archivos(const std::string& extension) const;
    // The text of the only file with that extension beside the program; empty when there is not
    // exactly one.
    std::string Unico(const std::string& extension) const;

    // The month's density history file of Ventas in carpetaInformes.
    static std::string ArchivoHistorial(const std::string& carpetaInformes);
    std::string ArchivoHistorial() const { return ArchivoHistorial(informes.Texto()); }

    CarpetaTemporal programa, informes, respaldos, hogar, salidas;
};

// Whether the test runs as root, where permission bits do not stop a write.
bool EsRoot();

}  // namespace velqor::prueba
