#pragma once
// The fixture of the real Qt window's tests: a program folder holding Ventas.cfp for sqlsim, the
// window and its logic made, loaded and shown, the message boxes and the opened reports recorded.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <memory>
#include <string>
#include <vector>

#include "CarpetaTemporal.h"
#include "EscenarioVentas.h"
#include "SqlsimProceso.h"
#include "common/General.h"
#include "window/frmReindexador.h"
#include "window/qt/AjustesQSettings.h"
#include "window/qt/VentanaReindexador.h"

namespace velqor::prueba {

using ventana::Control;

class VentanaE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        InstalaCuadroMensaje(
            [this](const std::string& texto, const std::string&) { cuadros.push_back(texto); });
        FijaDesatendido(false);
    }
    void TearDown() override {
        form.reset();
        ventana.reset();
        InstalaCuadroMensaje({});
    }

    // The window over a program folder holding Ventas.cfp for sqlsim, loaded and shown.
    void Abre(const SqlsimProceso& sqlsim) { Abre(sqlsim.Puerto()); }
    // The same for a server on puerto (the window only connects when a pass is launched).
    void Abre(uint16_t puerto) {
        EscribeDefinicionVentas(programa, puerto);
        ventana = std::make_unique<ventana::VentanaReindexador>(ajustes);
        ventana->FijaAbridor([this](const std::string& ruta) {
            abiertos.push_back(ruta);
            return hayVisor;
        });
        form = std::make_unique<ventana::frmReindexador>(
            *ventana, ajustes, ventana::FabricaMotor{},
            ventana::Arranque{programa.Texto(), "", true});
        ventana->Conecta(*form);
        form->Form_Load();
        ventana->show();
    }
    // The operator picks the database, types user, password and backup folder.
    void Rellena() {
        auto* bases = static_cast<QComboBox*>(W(Control::cmbBases));
        const int indice = bases->findText("Ventas");
        ASSERT_GE(indice, 0);
        bases->setCurrentIndex(indice);
        emit bases->activated(indice);
        ASSERT_EQ(ventana->Texto(Control::sbEstado), "OK");
        static_cast<QLineEdit*>(W(Control::txtUsuario))->setText("ana");
        static_cast<QLineEdit*>(W(Control::txtClave))->setText("secreto");
        static_cast<QLineEdit*>(W(Control::txtServerPath))
            ->setText(QString::fromStdString(respaldos.Texto()));
    }
    QWidget* W(Control c) const { return ventana->Widget(c); }
    QAbstractButton* Lanzar() const {
        return static_cast<QAbstractButton*>(W(Control::cmdLanzarAhora));
    }
    std::string Estado() const { return ventana->Texto(Control::sbEstado); }
    std::string Caption() const { return ventana->Texto(Control::cmdLanzarAhora); }

    CarpetaTemporal programa, respaldos;
    ventana::AjustesQSettings ajustes;
    std::unique_ptr<ventana::VentanaReindexador> ventana;
    std::unique_ptr<ventana::frmReindexador> form;
    std::vector<std::string> cuadros, abiertos;
    bool hayVisor = true;  // whether the desktop has a viewer for the reports
};

}  // namespace velqor::prueba
