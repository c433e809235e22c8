// Launching a pass from the window: the button's three states, the re-entrant cancel protocol, the
// locked controls, the report file, and closing the window while a pass runs.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "FormularioPrueba.h"
#include "common/General.h"

namespace velqor::prueba {
namespace {

constexpr Control kOtrosControles[] = {
    Control::cmbBases,       Control::txtUsuario, Control::txtClave,
    Control::txtEstadistica, Control::cmdBrowse,  Control::txtServerPath,
    Control::opcOffLine,     Control::opcOnLine,  Control::cmdGuardarConfig,
};

bool Contiene(const std::string& texto, const std::string& parte) {
    return texto.find(parte) != std::string::npos;
}

TEST_F(FormularioPrueba, LaunchWithoutADatabaseAsksForOne) {
    Arranca();
    form->cmdLanzarAhora_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Please select a database");
    EXPECT_EQ(motoresCreados, 0);
}

TEST_F(FormularioPrueba, LaunchWithAnUnboundEngineAsksForAValidOne) {
    EscribeCfp("Otra", "sql01", "Otra", 3);
    Arranca();
    vista.Elige(Entrada("Otra"));
    form->cmdLanzarAhora_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Please select a valid Database");
    EXPECT_EQ(guion.conexionesHechas, 0);
}

TEST_F(FormularioPrueba, APassRunsWithTheButtonReadingCancelAndWritesItsReport) {
    Prepara();
    std::vector<std::string> captions;
    bool bloqueados = true;
    vista.alProcesar = [&](const std::string& estado) {
        if (estado.empty()) return;  // the status bar is cleared before the pass starts
        captions.push_back(vista.Texto(Control::cmdLanzarAhora));
        for (Control c : kOtrosControles) bloqueados = bloqueados && !vista.Habilitado(c);
        bloqueados = bloqueados && vista.Habilitado(Control::cmdLanzarAhora);
    };
    vista.estados.clear();
    form->cmdLanzarAhora_Click();
    vista.alProcesar = nullptr;

    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "Cancel");
    EXPECT_EQ(captions.back(), "Cancel");
    EXPECT_TRUE(bloqueados) << "only the launch/cancel button takes input during a pass";
    EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
    EXPECT_FALSE(form->Ejecutando());
    for (Control c : kOtrosControles) EXPECT_TRUE(vista.Habilitado(c)) << static_cast<int>(c);

    ASSERT_GE(vista.estados.size(), 2u);
    EXPECT_EQ(vista.estados.front(), "") << "the status bar is cleared when a pass starts";
    EXPECT_EQ(vista.estados[1], "Connect...");
    EXPECT_EQ(vista.estados.back(), "Done");

    const std::string informe = LeeTexto(RutaInforme());
    EXPECT_EQ(informe.rfind("Ventas 04-12-2026 16:35:41\r\n", 0), 0u) << informe;
    EXPECT_TRUE(Contiene(informe, "Reindex Clientes.PK_Clientes")) << informe;
    EXPECT_TRUE(Contiene(informe, "\r\nTime: ")) << informe;
    EXPECT_FALSE(Contiene(informe, "Cancelled"));
    EXPECT_EQ(vista.abiertos, std::vector<std::string>{RutaInforme()});
    EXPECT_TRUE(guion.hookInstalado) << "the window's events run while the server works";
}

TEST_F(FormularioPrueba, TheReportFileIsNamedAfterTheDefinitionWithoutBlanks) {
    struct Caso {
        std::string nombre, archivo;
    };
    // Made like the history file's name: characters no file name may hold become "_".
    const Caso casos[] = {{"Ventas del Sur", "VentasdelSur"}, {"Ventas: Norte*", "Ventas_Norte_"}};
    for (const Caso& c : casos) {
        Prepara(c.nombre);
        form->cmdLanzarAhora_Click();
        EXPECT_TRUE(std::filesystem::exists(RutaInforme(c.archivo))) << c.nombre;
    }
}

TEST_F(FormularioPrueba, ACancelClickDuringAProgressReportStopsThePass) {
    Prepara();
    int clics = 0;
    std::vector<std::string> tras;
    vista.alProcesar = [&](const std::string& estado) {
        if (estado.rfind("Reindex: ", 0) == 0 && clics < 2) {
            ++clics;
            form->cmdLanzarAhora_Click();  // re-entered from inside the pass
            tras.push_back(vista.Texto(Control::cmdLanzarAhora));
            EXPECT_TRUE(form->Cancelando());
            EXPECT_TRUE(form->Ejecutando());
        }
    };
    form->cmdLanzarAhora_Click();
    vista.alProcesar = nullptr;

    EXPECT_EQ(clics, 1) << "the pass stops at the first index";
    EXPECT_EQ(tras, std::vector<std::string>{"Cancelling"});
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Cancelled");
    EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
    EXPECT_FALSE(form->Ejecutando());
    EXPECT_TRUE(form->Cancelando()) << "the request stays until the next start";

    const std::string informe = LeeTexto(RutaInforme());
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    EXPECT_FALSE(Contiene(informe, "Update Statistics")) << informe;
    EXPECT_TRUE(guion.Con("sp_updatestats").empty());

    // The next pass starts afresh.
    form->cmdLanzarAhora_Click();
    EXPECT_FALSE(form->Cancelando());
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Done");
}

TEST_F(FormularioPrueba, FurtherClicksOnlyRepeatTheRequest) {
    Prepara();
    std::vector<std::string> captions;
    vista.alProcesar = [&](const std::string& estado) {
        if (estado.rfind("Reindex: ", 0) == 0) {
            form->cmdLanzarAhora_Click();
            form->cmdLanzarAhora_Click();
            captions.push_back(vista.Texto(Control::cmdLanzarAhora));
        }
    };
    form->cmdLanzarAhora_Click();
    EXPECT_EQ(captions, std::vector<std::string>{"Cancelling"});
    EXPECT_EQ(guion.conexionesHechas, 1) << "a click during a pass never starts another";
}

TEST_F(FormularioPrueba, ARefusedLoginWritesNoReport) {
    guion.Cuando("SELECT * FROM UsuariosPW", Respuesta::Filas({"Usuario_ID"}, {}));
    Prepara();
    form->cmdLanzarAhora_Click();
    EXPECT_TRUE(Archivos(".txt").empty());
    EXPECT_TRUE(vista.abiertos.empty());
    EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
}

TEST_F(FormularioPrueba, AReportThatCannotBeWrittenIsNotOpened) {
    Prepara(std::string(300, 'x'));  // a name too long for a file name
    form->cmdLanzarAhora_Click();
    EXPECT_TRUE(vista.abiertos.empty());
    EXPECT_TRUE(Archivos(".txt").empty());
    EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
}

TEST_F(FormularioPrueba, AReportNeverReplacesAFileThatHasItsName) {
    Prepara();
    // Another pass of the same definition started in the same second, its report made read-only.
    EscribeBytes(RutaInforme(), "another pass's report");
    ASSERT_EQ(::chmod(RutaInforme().c_str(), 0444), 0);
    form->cmdLanzarAhora_Click();
    const std::string propio = programa.En("Ventas_20261204163541_2.txt");
    EXPECT_EQ(vista.abiertos, std::vector<std::string>{propio});
    EXPECT_EQ(LeeBytes(RutaInforme()), "another pass's report");
    EXPECT_TRUE(Contiene(LeeTexto(propio), "\r\nTime: "));
}

TEST_F(FormularioPrueba, ClosingDuringAPassCancelsItAndClosesWhenItEnds) {
    Prepara();
    bool cerradaDurante = true;
    vista.alProcesar = [&](const std::string& estado) {
        if (estado.rfind("Reindex: ", 0) == 0 && vista.cierresRechazados == 0) {
            vista.Cierra();
            cerradaDurante = vista.cerrada;
        }
    };
    form->cmdLanzarAhora_Click();

    EXPECT_EQ(vista.cierresRechazados, 1);
    EXPECT_FALSE(cerradaDurante) << "the engine is never released under a running pass";
    EXPECT_TRUE(vista.cerrada) << "the window closes once the pass has ended";
    EXPECT_TRUE(Contiene(LeeTexto(RutaInforme()), "\r\nCancelled\r\n"));
    EXPECT_EQ(ajustes.valores["Velqor/Comun/Usuario"], "ana") << "settings stored on the way out";
    bool historial = false;
    for (const auto& e : std::filesystem::directory_iterator(programa.Ruta())) {
        historial = historial || e.path().extension() == ".ZEVeri";
    }
    EXPECT_TRUE(historial) << "the released engine wrote its density history";
}

TEST_F(FormularioPrueba, AClickOrACloseWhileThePassIsBeingStarted) {
    // Events queued behind the launch click run while the pass is being started: a second click
    // starts nothing and cancels nothing; a close request cancels the pass before it connects.
    for (const bool cerrar : {false, true}) {
        SCOPED_TRACE(cerrar ? "close" : "second click");
        Prepara();
        guion.conexionesHechas = 0;
        bool hecho = false;
        vista.alProcesar = [&](const std::string& estado) {
            if (hecho || !estado.empty() || !form->Ejecutando()) return;
            hecho = true;
            if (cerrar) {
                vista.Cierra();
            } else {
                form->cmdLanzarAhora_Click();
            }
        };
        form->cmdLanzarAhora_Click();
        ASSERT_TRUE(hecho);
        EXPECT_EQ(guion.conexionesHechas, cerrar ? 0 : 1);
        EXPECT_EQ(vista.cerrada, cerrar);
        EXPECT_EQ(vista.Texto(Control::sbEstado), cerrar ? "" : "Done");
        EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
        vista.alProcesar = nullptr;
    }
}

TEST_F(FormularioPrueba, ChoosingAnotherDatabaseDuringAPassIsIgnored) {
    Prepara();
    vista.alProcesar = [&](const std::string& estado) {
        if (estado.rfind("Reindex: ", 0) == 0) form->cmbBases_Click();
    };
    const int antes = motoresCreados;
    form->cmdLanzarAhora_Click();
    EXPECT_EQ(motoresCreados, antes);
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Done");
}

}  // namespace
}  // namespace velqor::prueba

namespace velqor::prueba {
namespace {

TEST_F(FormularioPrueba, ACancelWhileConnectingIsHonouredAtTheNextStep) {
    Prepara();
    bool pedido = false;
    vista.alProcesar = [&](const std::string& estado) {
        if (estado == "Connect..." && !pedido) {
            pedido = true;
            form->cmdLanzarAhora_Click();
            EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Cancelling");
        }
    };
    form->cmdLanzarAhora_Click();
    EXPECT_TRUE(pedido);
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Cancelled") << "the login keeps the request";
    EXPECT_EQ(vista.Texto(Control::cmdLanzarAhora), "Launch now");
    const std::string informe = LeeTexto(RutaInforme());
    EXPECT_TRUE(Contiene(informe, "\r\nCancelled\r\nTime: ")) << informe;
    EXPECT_FALSE(Contiene(informe, "Reindex")) << informe;
    EXPECT_TRUE(guion.Con("DBCC").empty());
}

}  // namespace
}  // namespace velqor::prueba
