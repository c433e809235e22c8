// What only the real Qt view shows: the progress bar during a pass against sqlsim, the cloud
// definition hiding the backup folder, the password's echo, the save dialog, a real resize and the
// report shown by the window itself when the desktop has no viewer for it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "VentanaE2e.h"
#include "window/qt/VisorInforme.h"

namespace velqor::prueba {
namespace {

// The pixels of a length in twips on the test's screen (96 dots per inch).
int Pixeles(float twips) { return static_cast<int>(std::lround(twips / ventana::kTwipsPorPixel)); }

struct Muestra {
    bool visible;
    QString texto, transcurrido;
    int valor, maximo;
};

TEST_F(VentanaE2e, TheProgressBarAppearsAdvancesAndHidesDuringAPass) {
    SqlsimProceso sqlsim(EscenarioVentas(
        R"("showcontig": 200, "dbreindex": 500, "updatestats": 300, "backuplog": 200,)"
        R"( "backupdatabase": 200)"));
    Abre(sqlsim);
    Rellena();
    QProgressBar* barra = ventana->BarraProgreso();
    EXPECT_TRUE(barra->isHidden()) << "no bar while the window is idle";
    const QRect estadoAntes = W(Control::sbEstado)->geometry();

    std::vector<Muestra> muestras;
    bool estadoQuieto = true;
    QTimer muestreo;
    QObject::connect(&muestreo, &QTimer::timeout, [&] {
        const Muestra m{barra->isVisible(), barra->text(), ventana->Transcurrido()->text(),
                        barra->value(), barra->maximum()};
        if (muestras.empty() || muestras.back().texto != m.texto ||
            muestras.back().visible != m.visible || muestras.back().transcurrido != m.transcurrido)
            muestras.push_back(m);
        estadoQuieto = estadoQuieto && W(Control::sbEstado)->geometry() == estadoAntes;
    });
    muestreo.start(10);
    Lanzar()->click();
    muestreo.stop();

    auto muestra = [&](const QString& texto) {
        return std::find_if(muestras.begin(), muestras.end(),
                            [&](const Muestra& m) { return m.visible && m.texto == texto; });
    };
    ASSERT_NE(muestra("survey"), muestras.end());
    const auto uno = muestra("1 / 2");
    ASSERT_NE(uno, muestras.end());
    EXPECT_EQ(uno->valor, 1);
    EXPECT_EQ(uno->maximo, 2);
    EXPECT_TRUE(uno->transcurrido.contains(QRegularExpression("^0:0[0-9]$")))
        << uno->transcurrido.toStdString();
    EXPECT_LT(uno, muestra("statistics"));
    EXPECT_LT(muestra("statistics"), muestra("database backup"));
    EXPECT_TRUE(std::any_of(muestras.begin(), muestras.end(), [](const Muestra& m) {
        return m.visible && m.transcurrido == "0:01";
    })) << "the elapsed time runs while the server works";

    EXPECT_TRUE(barra->isHidden()) << "the bar hides when the pass has ended";
    EXPECT_TRUE(ventana->Transcurrido()->isHidden());
    EXPECT_EQ(Estado(), "Done") << "the engine's last text stays";
    EXPECT_TRUE(estadoQuieto) << "the status bar does not move while the bar shows";
    EXPECT_EQ(W(Control::sbEstado)->geometry(), estadoAntes);
}

TEST_F(VentanaE2e, ACloudDefinitionHidesTheBackupFolderLabelAndField) {
    std::ofstream(programa.En("Nube.cfp"), std::ios::binary)
        << "[Connection]\r\nKind = 2\r\nServer = ventas.database.windows.net\r\n"
           "Database = Ventas\r\nIntegrated = yes\r\n";
    Abre(1433);
    auto* bases = static_cast<QComboBox*>(W(Control::cmbBases));
    for (const char* base : {"Nube", "Ventas", "Nube"}) {
        const int indice = bases->findText(base);
        ASSERT_GE(indice, 0) << base;
        bases->setCurrentIndex(indice);
        emit bases->activated(indice);
        ASSERT_EQ(Estado(), "OK") << base;
        const bool nube = std::string(base) == "Nube";
        EXPECT_EQ(W(Control::lblServerPath)->isVisible(), !nube) << base;
        EXPECT_EQ(W(Control::txtServerPath)->isVisible(), !nube) << base;
    }
}

TEST_F(VentanaE2e, ThePasswordFieldEchoesStars) {
    Abre(1433);
    auto* clave = static_cast<QLineEdit*>(W(Control::txtClave));
    clave->setText("secreto");
    EXPECT_EQ(clave->displayText().toStdString(), "*******");
    EXPECT_EQ(ventana->Texto(Control::txtClave), "secreto");
}

TEST_F(VentanaE2e, TheSaveDialogOffersLaunchConfigurationsAndAddsTheirExtension) {
    Abre(1433);
    Rellena();
    CarpetaTemporal destino;
    QStringList filtros;
    // The dialog is modal: the operator answers it once it is up.
    QTimer::singleShot(0, [&] {
        auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialogo, nullptr);
        filtros = dialogo->nameFilters();
        dialogo->setDirectory(QString::fromStdString(destino.Texto()));
        dialogo->selectFile("noche");
        static_cast<QDialog*>(dialogo)->accept();
    });
    static_cast<QAbstractButton*>(W(Control::cmdGuardarConfig))->click();

    EXPECT_EQ(filtros, QStringList{"Dransk configuration file (*.ZEVcos)"});
    EXPECT_TRUE(std::filesystem::exists(destino.Ruta() / "noche.ZEVcos")) << Estado();
    EXPECT_EQ(Estado(), "OK");
}

TEST_F(VentanaE2e, ARealResizeFitsThePanelAndKeepsTheStatusBarDocked) {
    Abre(1433);
    const QRect panelAntes = W(Control::picTab)->geometry();
    ventana->resize(ventana->width() + 200, ventana->height() + 100);
    QApplication::processEvents();

    const QRect estadistica = W(Control::txtEstadistica)->geometry();
    const QRect estado = W(Control::sbEstado)->geometry();
    const QRect panel = W(Control::picTab)->geometry();
    EXPECT_EQ(estado.bottom(), ventana->height() - 1);
    EXPECT_EQ(estado.width(), ventana->width());
    EXPECT_NEAR(panel.left(), Pixeles(50), 1);
    EXPECT_NEAR(panel.top(), estadistica.bottom() + 1 + Pixeles(50), 1);
    EXPECT_NEAR(panel.width(), ventana->width() - Pixeles(100), 1);
    EXPECT_NEAR(panel.bottom() + 1, estado.top() - Pixeles(50), 1);
    EXPECT_EQ(panel.width() - panelAntes.width(), 200);

    // Too small for the panel: it stays where it was.
    ventana->resize(ventana->width(), estadistica.bottom() + 10);
    QApplication::processEvents();
    EXPECT_EQ(W(Control::picTab)->geometry(), panel);
}

TEST_F(VentanaE2e, WithoutADesktopViewerTheWindowShowsTheReportItself) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    hayVisor = false;
    Abre(sqlsim);
    Rellena();
    Lanzar()->click();

    ASSERT_EQ(abiertos.size(), 1u);
    const auto visores = ventana->findChildren<ventana::VisorInforme*>();
    ASSERT_EQ(visores.size(), 1);
    const ventana::VisorInforme& visor = *visores.front();
    EXPECT_TRUE(visor.isVisible());
    EXPECT_EQ(visor.Ruta().toStdString(), abiertos.front());
    EXPECT_TRUE(visor.Contenido().contains("Reindex Clientes.PK_Clientes"));
    EXPECT_TRUE(visor.Contenido().contains("\nTime: "));
    EXPECT_FALSE(visor.Contenido().contains('\r'));
    const auto* texto = visor.findChild<QPlainTextEdit*>();
    ASSERT_NE(texto, nullptr);
    EXPECT_TRUE(texto->isReadOnly());
}

TEST_F(VentanaE2e, WithADesktopViewerTheWindowShowsNoReportOfItsOwn) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    Abre(sqlsim);
    Rellena();
    Lanzar()->click();
    EXPECT_EQ(abiertos.size(), 1u);
    EXPECT_TRUE(ventana->findChildren<ventana::VisorInforme*>().isEmpty());
}

}  // namespace
}  // namespace velqor::prueba
