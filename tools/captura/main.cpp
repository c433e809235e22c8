// velqor-captura: opens the window on the current display over a program folder, fills in the
// database, user, password, report and backup folders, launches the pass and, once a third of the
// indexes are done, saves the window's picture and cancels the pass.
//
//   velqor-captura FOLDER DATABASE USER PASSWORD REPORT_FOLDER BACKUP_FOLDER OUT.png

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>
#include <string>

#include "window/frmReindexador.h"
#include "window/qt/AjustesQSettings.h"
#include "window/qt/VentanaReindexador.h"

using velqor::ventana::Control;

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fputs(
            "usage: velqor-captura FOLDER DATABASE USER PASSWORD REPORT_FOLDER "
            "BACKUP_FOLDER OUT.png\n",
            stderr);
        return 2;
    }
    QApplication aplicacion(argc, argv);
    velqor::ventana::AjustesQSettings ajustes;
    velqor::ventana::VentanaReindexador ventana(ajustes);
    ventana.FijaAbridor([](const std::string&) { return true; });  // the report stays closed
    velqor::ventana::frmReindexador form(ventana, ajustes, {},
                                         velqor::ventana::Arranque{argv[1], "", true});
    ventana.Conecta(form);
    form.Form_Load();
    ventana.FijaTexto(Control::txtEstadistica, argv[5]);
    if (!ventana.SeleccionaBase(argv[2])) {
        std::fprintf(stderr, "velqor-captura: no database %s in %s\n", argv[2], argv[1]);
        return 1;
    }
    ventana.FijaTexto(Control::txtUsuario, argv[3]);
    ventana.FijaTexto(Control::txtClave, argv[4]);
    ventana.FijaTexto(Control::txtServerPath, argv[6]);
    ventana.show();

    auto* lanzar = static_cast<QAbstractButton*>(ventana.Widget(Control::cmdLanzarAhora));
    bool guardada = false;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        const QProgressBar* barra = ventana.BarraProgreso();
        if (guardada || !barra->isVisible() || barra->maximum() < 3 ||
            barra->value() * 3 < barra->maximum())
            return;
        guardada = ventana.grab().save(argv[7], "PNG");
        if (!guardada) std::fprintf(stderr, "velqor-captura: cannot write %s\n", argv[7]);
        lanzar->click();  // cancels the pass
        guardada = true;
    });
    QTimer::singleShot(500, [&] {
        vigia.start(50);
        lanzar->click();  // returns when the pass has ended
        vigia.stop();
        QApplication::quit();
    });
    QApplication::exec();
    return QFileInfo::exists(argv[7]) ? 0 : 1;
}
