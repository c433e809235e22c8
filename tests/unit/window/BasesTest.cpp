// The database list: choosing an entry, the launch buttons' rule, the binding check and the saving
// of launch configurations.

#include <gtest/gtest.h>

#include <filesystem>

#include "FormularioPrueba.h"
#include "LlavesPrueba.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {
namespace {

TEST_F(FormularioPrueba, ListsTheDefinitionsBesideTheProgramWithoutExtension) {
    EscribeCfp("Ventas");
    EscribeCfp("Compras");
    EscribeBytes(programa.En("notas.txt"), "no");
    // What a velqor-config write-cfp killed while it checked its file left behind.
    EscribeCfp(".Ventas.cfp.~4194303_0");
    Arranca();
    EXPECT_EQ(vista.bases, (std::vector<std::string>{"Compras", "Ventas"}));
    EXPECT_EQ(vista.seleccion, -1);
}

TEST_F(FormularioPrueba, ChoosingAnEntryWordsTheOutcome) {
    EscribeCfp("Ventas");
    EscribeCfp("Otra", "sql01", "Otra", 3);
    EscribeCfp("Borrada");
    EscribeCfp("Fuera", "sql01", "Ventas", 2, "../x");  // its reports would leave the folder
    EscribeCfp("");     // a file named only ".cfp"
    EscribeCfp("   ");  // blanks only
    Arranca();
    std::filesystem::remove(programa.En("Borrada.cfp"));

    struct Caso {
        const char* entrada;
        std::string estado;
        bool vinculado;
    };
    const Caso casos[] = {
        {"Ventas", "OK", true},
        {"Otra", "Invalid file: Otra (not SQL)", false},
        {"Borrada",
         "Invalid file: Borrada Connection definition " + programa.En("Borrada.cfp") +
             ": the file is missing, unreadable or larger than 1 MB",
         false},
        {"Fuera",
         "Invalid file: Fuera Connection definition " + programa.En("Fuera.cfp") +
             ": Name cannot hold a path separator (/ or \\) or \"..\"",
         false},
        {"", "", false},
        {"   ", "", false},
    };
    for (const auto& c : casos) {
        const int antes = motoresCreados;
        vista.Elige(Entrada(c.entrada));
        EXPECT_EQ(motoresCreados, antes + 1) << "every choice makes a new engine";
        EXPECT_EQ(vista.Texto(Control::sbEstado), c.estado) << "'" << c.entrada << "'";
        vista.estados.clear();
        EXPECT_EQ(form->BaseValida(), c.vinculado) << "'" << c.entrada << "'";
        EXPECT_EQ(vista.estados, c.vinculado
                                     ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Please select a valid Database"});
    }
}

TEST_F(FormularioPrueba, TheListSaysWhyADefinitionCannotBeUsedSafely) {
    const auto escribe = [this](const std::string& nombre, const std::string& extra,
                                const std::string& contrasena) {
        EscribeBytes(programa.En(nombre + ".cfp"),
                     "Kind = 2\nServer = sql01,1433\nDatabase = Ventas\nUser = u\nPassword = " +
                         contrasena + "\n" + extra);
    };
    const std::string propia = Codificador::CifraClave(VersionPrograma::kEmpresa, "p");
    // FreeTDS would read this CAFile as none at all, and accept any certificate.
    escribe("Hostil", "Encrypt = yes\nCAFile = #/etc/ca.pem\n", propia);
    {
        // Written on another installation, then copied here.
        const LlavesPrueba otra;
        ASSERT_TRUE(otra.CreaLlave());
        escribe("Copiada", "", Codificador::CifraClave(VersionPrograma::kEmpresa, "p"));
    }
    Arranca();
    for (const auto& [entrada, motivo] :
         {std::pair{"Hostil", "CAFile cannot be handed to FreeTDS for the certificate check"},
          {"Copiada", "written for another installation"}}) {
        vista.Elige(Entrada(entrada));
        EXPECT_NE(vista.Texto(Control::sbEstado).find(motivo), std::string::npos)
            << vista.Texto(Control::sbEstado);
        EXPECT_FALSE(form->BaseValida());
    }
}

TEST_F(FormularioPrueba, ACloudDefinitionHidesTheBackupFolder) {
    EscribeCfp("Nube", "velqor.database.windows.net", "Ventas");
    EscribeCfp("Ventas");
    Arranca();
    vista.Elige(Entrada("Nube"));
    EXPECT_FALSE(vista.Visible(Control::txtServerPath));
    EXPECT_FALSE(vista.Visible(Control::lblServerPath));
    EXPECT_EQ(vista.Texto(Control::sbEstado), "OK");
    vista.Elige(Entrada("Ventas"));
    EXPECT_TRUE(vista.Visible(Control::txtServerPath));
    EXPECT_TRUE(vista.Visible(Control::lblServerPath));
}

TEST_F(FormularioPrueba, LaunchButtonsFollowTheEngineAndTheFields) {
    EscribeCfp("Ventas");
    EscribeCfp("Nube", "velqor.database.windows.net", "Ventas");
    EscribeCfp("Otra", "sql01", "Otra", 3);
    struct Caso {
        const char* base;  // nullptr: nothing chosen
        const char* usuario;
        const char* clave;
        const char* ruta;
        bool habilitados;
    };
    const Caso casos[] = {
        {"Ventas", "ana", "secreto", "D:\\Bak", true},
        {"Ventas", "ana", "secreto", "", false},
        {"Ventas", "ana", "secreto", "   ", false},
        {"Ventas", " a ", " s ", " D ", true},
        {"Nube", "ana", "secreto", "", true},
        {"Nube", "  ", "secreto", "", false},
        {"Nube", "ana", " ", "", false},
        {"Otra", "ana", "secreto", "D:\\Bak", false},
        {nullptr, "ana", "secreto", "D:\\Bak", false},
    };
    for (const auto& c : casos) {
        vista = VistaFalsa{};
        Arranca();
        if (c.base) vista.Elige(Entrada(c.base));
        vista.Escribe(Control::txtUsuario, c.usuario);
        vista.Escribe(Control::txtClave, c.clave);
        vista.Escribe(Control::txtServerPath, c.ruta);
        EXPECT_EQ(vista.Habilitado(Control::cmdLanzarAhora), c.habilitados)
            << (c.base ? c.base : "-") << " '" << c.usuario << "' '" << c.clave << "' '" << c.ruta
            << "'";
        EXPECT_EQ(vista.Habilitado(Control::cmdGuardarConfig), c.habilitados);
    }
}

TEST_F(FormularioPrueba, ChoosingADatabaseLeavesTheButtonsUntilAFieldChanges) {
    EscribeCfp("Ventas");
    Arranca();
    vista.Escribe(Control::txtClave, "secreto");
    vista.Escribe(Control::txtServerPath, "D:\\Bak");
    ASSERT_FALSE(vista.Habilitado(Control::cmdLanzarAhora));
    vista.Elige(Entrada("Ventas"));
    EXPECT_FALSE(vista.Habilitado(Control::cmdLanzarAhora));
    vista.Escribe(Control::txtServerPath, "D:\\Bak2");
    EXPECT_TRUE(vista.Habilitado(Control::cmdLanzarAhora));
    EXPECT_TRUE(vista.Habilitado(Control::cmdGuardarConfig));
    vista.Escribe(Control::txtUsuario, "");
    EXPECT_FALSE(vista.Habilitado(Control::cmdLanzarAhora));
    EXPECT_FALSE(vista.Habilitado(Control::cmdGuardarConfig));
}

TEST_F(FormularioPrueba, SavingNeedsABoundDatabase) {
    EscribeCfp("Otra", "sql01", "Otra", 3);
    Arranca();
    vista.archivoElegido = programa.En("lanza.ZEVcos");
    form->cmdGuardarConfig_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Please select a valid Database");
    EXPECT_TRUE(vista.dialogos.empty());
    vista.Elige(Entrada("Otra"));
    form->cmdGuardarConfig_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Please select a valid Database");
    EXPECT_TRUE(vista.dialogos.empty());
    EXPECT_FALSE(std::filesystem::exists(programa.En("lanza.ZEVcos")));
}

TEST_F(FormularioPrueba, ACancelledSaveDialogChangesNothing) {
    Prepara();
    form->cmdGuardarConfig_Click();
    ASSERT_EQ(vista.dialogos.size(), 1u);
    EXPECT_EQ(
        vista.dialogos[0],
        "Save configuration as...|Dransk configuration file|*.ZEVcos|Velqor|Comun|Configuracion|");
    EXPECT_EQ(vista.Texto(Control::sbEstado), "OK");
    EXPECT_TRUE(Archivos(".ZEVcos").empty());
}

TEST_F(FormularioPrueba, ASaveWarnsOfAReportFolderThePassCannotWrite) {
    Prepara();
    EscribeBytes(programa.En("archivo"), "not a folder");
    const struct {
        std::string carpeta;
        std::string aviso;  // empty: no warning
    } casos[] = {
        {programa.Texto(), ""},
        {programa.En("nueva"), "the report folder " + programa.En("nueva") +
                                   " does not exist; the pass will create it"},
        {programa.En("archivo/informes"),
         "does not exist and cannot be created: Not a directory"},
        {programa.En("archivo"), "cannot be written: Not a directory"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.carpeta);
        cuadros.clear();
        vista.FijaTexto(Control::txtEstadistica, caso.carpeta);
        vista.archivoElegido = programa.En("lanza.ZEVcos");
        form->cmdGuardarConfig_Click();
        EXPECT_EQ(vista.Texto(Control::sbEstado), "OK") << "saved all the same";
        if (caso.aviso.empty()) {
            EXPECT_TRUE(cuadros.empty());
        } else {
            ASSERT_EQ(cuadros.size(), 1u);
            EXPECT_NE(cuadros[0].find(caso.aviso), std::string::npos) << cuadros[0];
        }
        std::filesystem::remove(programa.En("lanza.ZEVcos"));
    }
}

TEST_F(FormularioPrueba, ASavedConfigurationHoldsTheSevenValues) {
    Prepara();
    vista.FijaTexto(Control::txtEstadistica, "/informes");
    vista.Selecciona(Control::opcOnLine);
    vista.archivoElegido = programa.En("lanza.ZEVcos");
    form->cmdGuardarConfig_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "OK");

    Lista valores;
    ASSERT_TRUE(Codificador::LeeArchivo(VersionPrograma::kEmpresa, programa.En("lanza.ZEVcos"),
                                        valores, true));
    const Lista esperados{Valor::Texto("Ventas"),  Valor::Texto("/informes"), Valor::Texto("ana"),
                          Valor::Texto("secreto"), Valor::Largo(0),           Valor::Logico(true),
                          Valor::Texto("D:\\Bak")};
    EXPECT_EQ(valores, esperados);
    EXPECT_TRUE(ajustes.valores.empty()) << "saving leaves the remembered settings alone";
}

TEST_F(FormularioPrueba, ASaveThatCannotBeWrittenSaysSo) {
    Prepara();
    vista.archivoElegido = programa.En("no-existe/lanza.ZEVcos");
    form->cmdGuardarConfig_Click();
    EXPECT_EQ(vista.Texto(Control::sbEstado), "Operation could not be completed");
}

}  // namespace
}  // namespace velqor::prueba
