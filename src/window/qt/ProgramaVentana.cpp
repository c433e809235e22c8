#include "window/qt/ProgramaVentana.h"

#include <QApplication>
#include <QMessageBox>
#include <QtGlobal>
#include <functional>
#include <iostream>
#include <string>
#include <utility>

#include "common/General.h"
#include "common/Proceso.h"
#include "window/Programa.h"
#include "window/frmReindexador.h"
#include "window/qt/AjustesQSettings.h"
#include "window/qt/VentanaReindexador.h"

namespace velqor::ventana {

namespace {

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

int EjecutaVentana(int argc, char** argv) {
    const std::string linea = LineaComandos(argc, argv);
    // velqor comes here only with a display or a platform named. A start that names a file it
    // cannot use must say why, also when that display cannot be reached.
    if (!VariableDefinida("QT_QPA_PLATFORM") && !linea.empty()) {
        qputenv("QT_QPA_PLATFORM",
                VariableDefinida("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
    }
    QApplication aplicacion(argc, argv);
    const QString plataforma = QGuiApplication::platformName();
    const bool hayOperador = plataforma != "offscreen" && plataforma != "minimal";
    if (!hayOperador && linea.empty()) {
        std::cerr << kSinPantalla;
        return kSalidaConfiguracionInutil;
    }

    AjustesQSettings ajustes;
    VentanaReindexador ventana(ajustes);
    // With nobody at a screen a message box would wait for ever: notices then go to standard error.
    if (hayOperador) InstalaCuadro(ventana);
    frmReindexador form(ventana, ajustes, {}, {CarpetaPrograma(), linea, hayOperador, {}});
    ventana.Conecta(form);

    form.Form_Load();
    std::function<void()> sesion;
    if (hayOperador) {
        sesion = [&ventana] {
            ventana.show();
            QApplication::exec();
        };
    }
    return TerminaArranque(form, ventana, !ventana.Cerrada(), sesion);
}

}  // namespace velqor::ventana
