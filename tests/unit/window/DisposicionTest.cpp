// The window's title, captions, panel resize rule and the backup-folder field.

#include <gtest/gtest.h>

#include "FormularioPrueba.h"

namespace velqor::prueba {
namespace {

using ventana::frmReindexador;
using ventana::Rectangulo;

struct CasoVersion {
    int mayor, menor, revision;
    const char* version;
};

TEST(TituloVentana, GroupsTheVersionDigitsInPairs) {
    const CasoVersion casos[] = {
        {2, 0, 7, "(v2.00.07)"},
        {2, 10, 15, "(v2.10.15)"},
        {0, 0, 7, "(v7)"},
        {12, 3, 0, "(v12.03.00)"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(
            frmReindexador::TituloVentana(c.mayor, c.menor, c.revision),
            std::string("ZEV Performance tool ") + c.version + " for SQL Server 2005-2019 / AZURE")
            << c.mayor << "." << c.menor << "." << c.revision;
    }
}

TEST_F(FormularioPrueba, LoadSetsTheTitleAndEveryCaption) {
    Arranca();
    EXPECT_EQ(vista.titulo, "ZEV Performance tool (v2.00.07) for SQL Server 2005-2019 / AZURE");
    const std::pair<Control, const char*> esperados[] = {
        {Control::lblBD, "Database"},
        {Control::lblUsuario, "User"},
        {Control::lblClave, "Password"},
        {Control::lblEstadistica, "Report folder"},
        {Control::cmdBrowse, "<= Browse"},
        {Control::lblInfo,
         "Several actions will be done in the server to improve database performance. These "
         "include "
         "Reindex, Update Statistics, Shrink Log File, Truncate Log File (in old SQL versions) and "
         "Database Backup."},
        {Control::opcOffLine, "Assume database users are off line"},
        {Control::opcOnLine, "Assume database users are on line"},
        {Control::cmdLanzarAhora, "Launch now"},
        {Control::cmdGuardarConfig, "Save configuration for automatic launch"},
        {Control::lblServerPath, "Backup folder (local path inside SQL Server)"},
    };
    for (const auto& [control, caption] : esperados) {
        EXPECT_EQ(vista.Texto(control), caption) << static_cast<int>(control);
    }
    EXPECT_TRUE(vista.Seleccionado(Control::opcOffLine));
}

TEST_F(FormularioPrueba, ResizeFitsThePanelAndRefusesATooSmallWindow) {
    CreaFormulario();
    // T = top + height of txtEstadistica + 50 = 1295; status bar 315 high.
    struct Caso {
        float ancho, alto;
        bool mueve;
        Rectangulo panel;
    };
    const Caso casos[] = {
        {11265, 5115, true, {50, 1295, 11165, 3455}},
        {20000, 9000, true, {50, 1295, 19900, 7340}},
        {99, 5115, false, {}},
        {11265, 1659, false, {}},  // 1295 + 315 + 50 = 1660
        {100, 1660, true, {50, 1295, 0, 0}},
        {11265, 5115, true, {50, 1295, 11165, 3455}},  // growing again applies the rule
    };
    for (const auto& c : casos) {
        const Rectangulo antes = vista.panel;
        vista.cliente = {c.ancho, c.alto};
        form->Form_Resize();
        if (c.mueve) {
            EXPECT_EQ(vista.panel, c.panel) << c.ancho << "x" << c.alto;
            EXPECT_FLOAT_EQ(vista.panel.left + vista.panel.width, c.ancho - 50);
        } else {
            EXPECT_EQ(vista.panel, antes) << c.ancho << "x" << c.alto;
        }
    }
}

TEST_F(FormularioPrueba, BackupFolderFieldIsShownAndHiddenWithItsLabel) {
    CreaFormulario();
    form->MuestraServerPath(false);
    EXPECT_FALSE(vista.Visible(Control::txtServerPath));
    EXPECT_FALSE(vista.Visible(Control::lblServerPath));
    form->MuestraServerPath(true);
    EXPECT_TRUE(vista.Visible(Control::txtServerPath));
    EXPECT_TRUE(vista.Visible(Control::lblServerPath));
}

TEST_F(FormularioPrueba, BrowseTakesTheChosenFolderOnly) {
    Arranca();
    vista.FijaTexto(Control::txtEstadistica, "/datos/informes");
    form->cmdBrowse_Click();  // cancelled
    EXPECT_EQ(vista.Texto(Control::txtEstadistica), "/datos/informes");
    ASSERT_EQ(vista.dialogos.size(), 1u);
    EXPECT_EQ(vista.dialogos[0], "Select folder...||Velqor|Comun|Estadistica|/datos/informes");

    vista.carpetaElegida = "/otra/carpeta";
    form->cmdBrowse_Click();
    EXPECT_EQ(vista.Texto(Control::txtEstadistica), "/otra/carpeta");
}

}  // namespace
}  // namespace velqor::prueba
