#include "window/qt/Programa.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QtGlobal>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/Utilidades.h"
#include "window/LineaTerminal.h"
#include "window/MedidaAvance.h"
#include "window/frmReindexador.h"
#include "window/qt/AjustesQSettings.h"
#include "window/qt/VentanaReindexador.h"

namespace velqor::ventana {

namespace {

bool Definida(const char* variable) {
    const char* valor = std::getenv(variable);
    return valor != nullptr && *valor != '\0';
}

// Everything after the program's name, as one text.
std::string LineaComandos(int argc, char** argv) {
    std::string linea;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) linea += ' ';
        linea += argv[i];
    }
    return linea;
}

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

// What Qt says during an unattended run: a scheduler mails whatever a run prints, so the toolkit's
// notes and warnings (such as a missing XDG_RUNTIME_DIR, usual under cron) go nowhere, and only
// its critical and fatal messages reach the run's log, as warnings that do not fail the run.
void MensajeQtDesatendido(QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
    if (tipo != QtCriticalMsg && tipo != QtFatalMsg) return;
    RegistraAviso(texto.toStdString(), "Qt");
}

// True when the command line names a launch configuration this program can read: the run is then
// unattended and nobody looks at a screen.
bool EsLanzamientoLegible(std::string ruta) {
    std::erase(ruta, '"');
    int32_t atributos = 0;
    Lista valores;
    return !ruta.empty() && Utilidades::ExisteArchivo(ruta, atributos) &&
           Codificador::LeeArchivo(VersionPrograma::kEmpresa, ruta, valores, true);
}

// The message box of InformaError: modal, one OK button; CR LF becomes a plain line break.
void InstalaCuadro(QWidget& ventana) {
    InstalaCuadroMensaje([&ventana](const std::string& texto, const std::string& titulo) {
        QString contenido = QString::fromStdString(texto);
        contenido.replace("\r\n", "\n");
        QMessageBox cuadro(QMessageBox::NoIcon, QString::fromStdString(titulo), contenido,
                           QMessageBox::Ok, &ventana);
        cuadro.exec();
    });
}

}  // namespace

int EjecutaPrograma(int argc, char** argv) {
    const std::string linea = LineaComandos(argc, argv);
    // Without a display an unattended run needs none; a run by hand cannot take place.
    const char* sinPantalla =
        "velqor: no display is available; give the path of a launch configuration to run a pass "
        "unattended\n";
    const bool desatendido = EsLanzamientoLegible(linea);
    if (desatendido) {
        // A run nobody sees needs no display: an unset, closed or unreachable one must not stop
        // it before it can log anything.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(MensajeQtDesatendido);
        AtiendeSenalesDeParada();
    } else if (!Definida("QT_QPA_PLATFORM")) {
        const bool hayPantalla = Definida("DISPLAY") || Definida("WAYLAND_DISPLAY");
        if (!hayPantalla && linea.empty()) {
            std::cerr << sinPantalla;
            return kSalidaConfiguracionInutil;
        }
        if (!hayPantalla) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        } else if (!linea.empty()) {
            // A start that names a file it cannot use must say why, also when the display it
            // would fall back to cannot be reached.
            qputenv("QT_QPA_PLATFORM",
                    Definida("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
        }
    }
    QApplication aplicacion(argc, argv);
    const QString plataforma = QGuiApplication::platformName();
    const bool hayOperador = plataforma != "offscreen" && plataforma != "minimal";
    if (!hayOperador && linea.empty()) {
        std::cerr << sinPantalla;
        return kSalidaConfiguracionInutil;
    }

    AjustesQSettings ajustes;
    VentanaReindexador ventana(ajustes);
    // With nobody at a screen a message box would wait for ever: notices then go to standard error.
    if (hayOperador) InstalaCuadro(ventana);
    Arranque arranque{CarpetaPrograma(), linea, hayOperador, {}};
    // Started by hand from a terminal, the run draws its progress on one line of standard error;
    // under a scheduler standard error is no terminal and nothing is drawn.
    LineaTerminal lineaProgreso(std::cerr);
    if (desatendido) {
        arranque.paradas = [] { return static_cast<int>(gParadas); };
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
    frmReindexador form(ventana, ajustes, {}, std::move(arranque));
    ventana.Conecta(form);

    form.Form_Load();
    if (!ventana.Cerrada() && !hayOperador) {
        // The start stopped on an error, already in the log file; nobody is there to go on.
        ventana.close();
        InstalaCuadroMensaje({});
        std::cerr << "velqor: the unattended run stopped on an error; see " << ArchivoLog() << "\n";
        return kSalidaPaseFallido;
    }
    if (!ventana.Cerrada()) {
        ventana.show();
        QApplication::exec();
    }
    InstalaCuadroMensaje({});
    if (!form.MotivoRechazo().empty() && form.Salida() != kSalidaCorrecta) {
        std::cerr << "velqor: " << form.MotivoRechazo() << "\n";
    }
    return form.Salida();
}

}  // namespace velqor::ventana
