// Remembered settings: first-start defaults, the round trip, and stores that fail.

#include <gtest/gtest.h>

#include "FormularioPrueba.h"

namespace velqor::prueba {
namespace {

TEST_F(FormularioPrueba, AFirstStartShowsTheDefaults) {
    EscribeCfp("Ventas");
    Arranca();
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "Admin");
    EXPECT_EQ(vista.Texto(Control::txtEstadistica), programa.Texto());
    EXPECT_EQ(vista.Texto(Control::cmbBases), "");
    EXPECT_EQ(vista.Texto(Control::txtServerPath), "");
    EXPECT_FALSE(vista.Habilitado(Control::cmdLanzarAhora));
    EXPECT_FALSE(vista.Habilitado(Control::cmdGuardarConfig));
    EXPECT_TRUE(Archivos(".log").empty()) << "an interactive start writes no log file";
}

TEST_F(FormularioPrueba, SettingsSurviveARestartButThePasswordDoesNot) {
    Prepara();
    vista.FijaTexto(Control::txtEstadistica, programa.Texto());
    vista.Selecciona(Control::opcOnLine);
    vista.Cierra();
    EXPECT_EQ(ajustes.valores, (std::map<std::string, std::string>{
                                   {"Velqor/Comun/Usuario", "ana"},
                                   {"Velqor/Comun/Base", "Ventas"},
                                   {"Velqor/Comun/Estadistica", programa.Texto()},
                                   {"Velqor/Comun/CarpetaBackup", "D:\\Bak"},
                               }));

    vista = VistaFalsa{};
    Arranca();
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "ana");
    EXPECT_EQ(vista.Texto(Control::cmbBases), "Ventas");
    EXPECT_EQ(vista.Texto(Control::sbEstado), "OK")
        << "the remembered database is chosen as by a pick";
    EXPECT_EQ(vista.Texto(Control::txtServerPath), "D:\\Bak");
    EXPECT_EQ(vista.Texto(Control::txtClave), "");
    EXPECT_TRUE(vista.Seleccionado(Control::opcOffLine));
    EXPECT_FALSE(vista.Habilitado(Control::cmdLanzarAhora)) << "no password yet";
    vista.Escribe(Control::txtClave, "secreto");
    EXPECT_TRUE(vista.Habilitado(Control::cmdLanzarAhora));
}

TEST_F(FormularioPrueba, ARemovedDatabaseStartsWithNothingSelected) {
    ajustes.valores["Velqor/Comun/Base"] = "Borrada";
    ajustes.valores["Velqor/Comun/Usuario"] = "ana";
    EscribeCfp("Ventas");
    Arranca();
    EXPECT_EQ(vista.seleccion, -1);
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "ana");
    EXPECT_EQ(motoresCreados, 0);
}

TEST_F(FormularioPrueba, AnUnavailableStoreLeavesTheDesignValues) {
    EscribeCfp("Ventas");
    ajustes.roto = true;
    Arranca();
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "Admin");
    EXPECT_EQ(vista.Texto(Control::txtEstadistica), "");
    EXPECT_FALSE(vista.Habilitado(Control::cmdLanzarAhora));
    vista.Cierra();  // storing fails quietly
    EXPECT_TRUE(vista.cerrada);
    EXPECT_TRUE(cuadros.empty());
}

}  // namespace
}  // namespace velqor::prueba
