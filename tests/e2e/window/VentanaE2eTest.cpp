// The real Qt window on the offscreen platform against sqlsim: choosing the database, entering the
// credentials, launching, following the progress in the status bar and cancelling.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "VentanaE2e.h"

namespace velqor::prueba {
namespace {

TEST_F(VentanaE2e, APassCancelledDuringTheIndexPhaseWritesACancelledReport) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 300, "updatestats": 300)"));
    Abre(sqlsim);
    EXPECT_EQ(ventana->windowTitle().toStdString(),
              "ZEV Performance tool (v2.00.07) for SQL Server 2005-2019 / AZURE");
    Rellena();
    ASSERT_TRUE(Lanzar()->isEnabled());

    // Samples the status bar whenever the window's events run, and cancels at the first index.
    std::vector<std::string> estados;
    std::string trasCancelar;
    bool bloqueados = true;
    QTimer muestreo;
    QObject::connect(&muestreo, &QTimer::timeout, [&] {
        if (!Estado().empty() && (estados.empty() || estados.back() != Estado()))
            estados.push_back(Estado());
        if (Caption() != "Launch now") {
            bloqueados = bloqueados && !W(Control::cmbBases)->isEnabled() &&
                         !W(Control::txtClave)->isEnabled() &&
                         !W(Control::cmdGuardarConfig)->isEnabled() && Lanzar()->isEnabled();
        }
        if (trasCancelar.empty() && Estado().rfind("Reindex: ", 0) == 0) {
            Lanzar()->click();
            trasCancelar = Caption();
        }
    });
    muestreo.start(0);
    Lanzar()->click();
    muestreo.stop();

    EXPECT_EQ(trasCancelar, "Cancelling");
    EXPECT_TRUE(bloqueados);
    ASSERT_GE(estados.size(), 3u);
    EXPECT_EQ(estados.front(), "Connect...");
    EXPECT_NE(std::find(estados.begin(), estados.end(), "Reindex: Clientes -> PK_Clientes"),
              estados.end());
    EXPECT_EQ(Estado(), "Cancelled");
    EXPECT_EQ(Caption(), "Launch now");
    EXPECT_TRUE(W(Control::cmbBases)->isEnabled());
    EXPECT_TRUE(W(Control::cmdGuardarConfig)->isEnabled());
    EXPECT_TRUE(cuadros.empty());

    ASSERT_EQ(abiertos.size(), 1u);
    const std::filesystem::path informe = abiertos[0];
    EXPECT_EQ(informe.parent_path(), programa.Ruta());
    EXPECT_EQ(informe.filename().string().rfind("VentasCentral_", 0), 0u);
    const std::string texto = LeeTexto(informe.string());
    EXPECT_NE(texto.find("\r\nCancelled\r\nTime: "), std::string::npos) << texto;
    EXPECT_EQ(texto.find("Update Statistics"), std::string::npos) << texto;

    // Closing stores the settings in the per-user store.
    ventana->close();
    EXPECT_TRUE(ventana->Cerrada());
    EXPECT_EQ(ajustes.Lee("Velqor", "Comun", "Usuario", "?"), "ana");
    EXPECT_EQ(ajustes.Lee("Velqor", "Comun", "Base", "?"), "Ventas");
    EXPECT_EQ(ajustes.Lee("Velqor", "Comun", "CarpetaBackup", "?"), respaldos.Texto());
}

TEST_F(VentanaE2e, ACancelClickIsHandledWhileTheServerWorks) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 10, "updatestats": 1500)"));
    Abre(sqlsim);
    Rellena();

    std::string estadoAlCancelar, trasCancelar;
    QTimer clic;
    clic.setSingleShot(true);
    QObject::connect(&clic, &QTimer::timeout, [&] {
        estadoAlCancelar = Estado();
        Lanzar()->click();
        trasCancelar = Caption();
    });
    QTimer muestreo;
    QObject::connect(&muestreo, &QTimer::timeout, [&] {
        if (Estado() == "Updating statistics..." && !clic.isActive() && trasCancelar.empty())
            clic.start(300);
    });
    muestreo.start(0);
    Lanzar()->click();
    muestreo.stop();

    EXPECT_EQ(estadoAlCancelar, "Updating statistics...")
        << "the click ran while sp_updatestats was running";
    EXPECT_EQ(trasCancelar, "Cancelling");
    EXPECT_EQ(Estado(), "Cancelled");
    const std::string texto = LeeTexto(abiertos.at(0));
    EXPECT_NE(texto.find("Update Statistics"), std::string::npos) << texto;
    EXPECT_EQ(texto.find("Shrink"), std::string::npos) << "no later phase ran: " << texto;
}

TEST_F(VentanaE2e, ClosingTheWindowDuringAPassWaitsForItsEnd) {
    SqlsimProceso sqlsim(EscenarioVentas(R"("dbreindex": 300)"));
    Abre(sqlsim);
    Rellena();

    bool cerradaDurante = true;
    QTimer muestreo;
    QObject::connect(&muestreo, &QTimer::timeout, [&] {
        if (Estado().rfind("Reindex: ", 0) == 0 && Caption() == "Cancel") {
            ventana->close();
            cerradaDurante = ventana->Cerrada();
        }
    });
    muestreo.start(0);
    Lanzar()->click();
    muestreo.stop();

    EXPECT_FALSE(cerradaDurante);
    EXPECT_TRUE(ventana->Cerrada());
    ASSERT_EQ(abiertos.size(), 1u);
    EXPECT_NE(LeeTexto(abiertos[0]).find("\r\nCancelled\r\n"), std::string::npos);
}

// A login that takes its time: the window's events run during the whole of it.
std::string LoginLento() {
    return EscenarioVentas("", R"({"on": "login", "match": "sa", "action": "delay", "ms": 1500})");
}

bool Recibio(const SqlsimProceso& sqlsim, const std::string& texto) {
    const auto lineas = sqlsim.LineasDiario();
    return std::any_of(lineas.begin(), lineas.end(), [&](const std::string& l) {
        return l.find(texto) != std::string::npos;
    });
}

TEST_F(VentanaE2e, ACancelOrACloseDuringASlowLoginIsHonoured) {
    for (const bool cerrar : {false, true}) {
        SCOPED_TRACE(cerrar ? "closing the window" : "clicking Cancel");
        form.reset();
        ventana.reset();
        abiertos.clear();
        SqlsimProceso sqlsim(LoginLento());
        Abre(sqlsim);
        Rellena();
        std::string trasPedir;
        bool cerradaDurante = false;
        QTimer muestreo;
        QObject::connect(&muestreo, &QTimer::timeout, [&] {
            if (!trasPedir.empty() || Estado() != "Connect..." || Caption() != "Cancel") return;
            if (cerrar) {
                ventana->close();
                cerradaDurante = ventana->Cerrada();
            } else {
                Lanzar()->click();
            }
            trasPedir = Caption();
        });
        muestreo.start(0);
        Lanzar()->click();
        muestreo.stop();

        EXPECT_EQ(trasPedir, "Cancelling");
        EXPECT_FALSE(cerradaDurante) << "the pass was still running";
        EXPECT_EQ(ventana->Cerrada(), cerrar) << "a close request closes once the pass has ended";
        EXPECT_EQ(Estado(), "Cancelled");
        EXPECT_EQ(Caption(), "Launch now");
        ASSERT_EQ(abiertos.size(), 1u);
        const std::string texto = LeeTexto(abiertos[0]);
        EXPECT_NE(texto.find("\r\nCancelled\r\nTime: "), std::string::npos) << texto;
        EXPECT_FALSE(Recibio(sqlsim, "DBCC")) << "no phase ran after the login";
    }
}

TEST_F(VentanaE2e, AClickQueuedBehindTheLaunchStartsNoSecondPass) {
    SqlsimProceso sqlsim(EscenarioVentas(""));
    Abre(sqlsim);
    Rellena();
    // A double click: both clicks wait in the queue before the first one is handled.
    QMetaObject::invokeMethod(Lanzar(), "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(Lanzar(), "click", Qt::QueuedConnection);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    EXPECT_EQ(Estado(), "Done") << "the second click neither cancelled nor nested a pass";
    EXPECT_EQ(Caption(), "Launch now");
    ASSERT_EQ(abiertos.size(), 1u);
    const auto lineas = sqlsim.LineasDiario();
    EXPECT_EQ(std::count_if(lineas.begin(), lineas.end(),
                            [](const std::string& l) {
                                return l.find("FROM UsuariosPW WHERE") != std::string::npos;
                            }),
              1);
}

}  // namespace
}  // namespace velqor::prueba
