// Start-up: the command line, the unattended run from a launch configuration, and its exit codes.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "FormularioPrueba.h"
#include "LlavesPrueba.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {
namespace {

using ventana::kSalidaConfiguracionInutil;
using ventana::kSalidaCorrecta;
using ventana::kSalidaPaseFallido;

class ArranquePrueba : public FormularioPrueba {
  protected:
    // Writes a launch configuration for "Ventas" (or another entry) and answers its path.
    // The report folder is the program folder unless told.
    std::string EscribeLanzamiento(const std::string& nombre = "Lanza miento.ZEVcos",
                                   const std::string& base = "Ventas", bool onLine = true,
                                   const std::string& informes = {}) {
        const std::string ruta = programa.En(nombre);
        const Lista valores{
            Valor::Texto(base),     Valor::Texto(informes.empty() ? programa.Texto() : informes),
            Valor::Texto("ana"),    Valor::Texto("secreto"),
            Valor::Largo(0),        Valor::Logico(onLine),
            Valor::Texto("D:\\Bak")};
        EXPECT_TRUE(Codificador::GuardaArchivo(VersionPrograma::kEmpresa, valores, ruta, true));
        return ruta;
    }
    // Settings of an earlier interactive session, to see that an unattended run leaves them.
    void AjustesPrevios() {
        ajustes.valores = {{"Velqor/Comun/Usuario", "bob"},
                           {"Velqor/Comun/Base", "Compras"},
                           {"Velqor/Comun/Estadistica", "/informes"},
                           {"Velqor/Comun/CarpetaBackup", "E:\\Copias"}};
    }
};

TEST_F(ArranquePrueba, TheCommandLineNamesOneConfigurationQuotedOrNot) {
    EscribeCfp("Ventas");
    const std::string ruta = EscribeLanzamiento();
    struct Caso {
        const char* nombre;
        std::string linea;
        bool aceptada;
    };
    const Caso casos[] = {
        {"quoted", "\"" + ruta + "\"", true},
        {"unquoted, with a blank inside", ruta, true},
        {"quotes anywhere", "\"" + ruta.substr(0, 5) + "\"\"" + ruta.substr(5) + "\"", true},
        {"two paths", "\"" + ruta + "\" \"" + ruta + "\"", false},
        {"missing file", ruta + ".no", false},
        {"a folder", programa.Texto(), false},
    };
    for (const auto& c : casos) {
        FijaDesatendido(false);
        vista = VistaFalsa{};
        CreaFormulario(c.linea);
        vista.AgregaBase("Ventas");
        EXPECT_EQ(form->LeeLineaComandos(), c.aceptada) << c.nombre;
        EXPECT_EQ(Desatendido(), c.aceptada) << c.nombre;
        EXPECT_EQ(form->MotivoRechazo().empty(), c.aceptada) << c.nombre;
        if (c.aceptada) {
            EXPECT_EQ(vista.Texto(Control::cmbBases), "Ventas");
            EXPECT_EQ(vista.Texto(Control::sbEstado), "OK");
            EXPECT_EQ(vista.Texto(Control::txtEstadistica), programa.Texto());
            EXPECT_EQ(vista.Texto(Control::txtUsuario), "ana");
            EXPECT_EQ(vista.Texto(Control::txtClave), "secreto");
            EXPECT_TRUE(vista.Seleccionado(Control::opcOnLine));
            EXPECT_EQ(vista.Texto(Control::txtServerPath), "D:\\Bak");
        }
    }
}

TEST_F(ArranquePrueba, AnUnusableConfigurationIsRefused) {
    EscribeCfp("Ventas");
    EscribeBytes(programa.En("basura.ZEVcos"), "not a launch configuration");
    const std::string ajena = EscribeLanzamiento("ajena.ZEVcos", "Compras");
    struct Caso {
        std::string linea;
        const char* motivo;
    };
    const Caso casos[] = {
        {programa.En("basura.ZEVcos"), "could not be read"},
        {ajena, "is not beside the program"},
    };
    for (const auto& c : casos) {
        vista = VistaFalsa{};
        CreaFormulario(c.linea);
        vista.AgregaBase("Ventas");
        EXPECT_FALSE(form->LeeLineaComandos()) << c.linea;
        EXPECT_FALSE(Desatendido());
        EXPECT_NE(form->MotivoRechazo().find(c.motivo), std::string::npos) << form->MotivoRechazo();
    }
}

TEST_F(ArranquePrueba, TheKeyOfTheConfigurationIsLookedUpAsEverywhereElse) {
    EscribeCfp("Ventas");
    const LlavesPrueba llaves;
    const std::string compartida = EscribeLanzamiento("compartida.ZEVcos");
    std::string otra;
    {
        const LlavesPrueba alla;
        ASSERT_TRUE(alla.CreaLlave());
        otra = EscribeLanzamiento("otra.ZEVcos");
    }
    ASSERT_TRUE(llaves.CreaLlave());
    // Another installation's: refused with the plain reason.
    CreaFormulario(otra);
    vista.AgregaBase("Ventas");
    EXPECT_FALSE(form->LeeLineaComandos());
    EXPECT_NE(form->MotivoRechazo().find("written for another installation"), std::string::npos)
        << form->MotivoRechazo();
    // Under the shared key: run, with a warning in the log that says how to rewrite it.
    vista = VistaFalsa{};
    Arranca(compartida);
    EXPECT_TRUE(Desatendido());
    EXPECT_NE(LeeTexto(ArchivoLog()).find("velqor-config rekey " + compartida), std::string::npos)
        << LeeTexto(ArchivoLog());
}

TEST_F(ArranquePrueba, TheOffLineChoiceIsRestored) {
    EscribeCfp("Ventas");
    const std::string ruta = EscribeLanzamiento("lanza.ZEVcos", "Ventas", false);
    CreaFormulario(ruta);
    vista.AgregaBase("Ventas");
    vista.Selecciona(Control::opcOnLine);
    ASSERT_TRUE(form->LeeLineaComandos());
    EXPECT_TRUE(vista.Seleccionado(Control::opcOffLine));
}

TEST_F(ArranquePrueba, AnUnattendedRunWritesItsReportAndClosesQuietly) {
    EscribeCfp("Ventas");
    AjustesPrevios();
    const auto previos = ajustes.valores;
    Arranca("\"" + EscribeLanzamiento() + "\"");

    EXPECT_TRUE(Desatendido());
    EXPECT_TRUE(vista.cerrada);
    EXPECT_EQ(form->Salida(), kSalidaCorrecta);
    EXPECT_NE(LeeTexto(RutaInforme()).find("Time: "), std::string::npos);
    EXPECT_TRUE(vista.abiertos.empty()) << "nobody is there to read it";
    EXPECT_EQ(ajustes.valores, previos);
    EXPECT_TRUE(cuadros.empty());
    EXPECT_EQ(guion.Con("DBCC INDEXDEFRAG").size(), 2u) << "users on line: defragmented";
    EXPECT_EQ(ArchivoLog(), programa.En(NombreEjecutable() + "_20261204163541.log"));
}

TEST_F(ArranquePrueba, ARefusedLoginGoesToTheLogAndFailsTheRun) {
    guion.Cuando("SELECT * FROM UsuariosPW", Respuesta::Filas({"Usuario_ID"}, {}));
    EscribeCfp("Ventas");
    Arranca(EscribeLanzamiento());
    EXPECT_EQ(form->Salida(), kSalidaPaseFallido);
    EXPECT_TRUE(vista.cerrada);
    EXPECT_TRUE(cuadros.empty()) << "no message box in an unattended run";
    EXPECT_TRUE(Archivos(".txt").empty());
    EXPECT_FALSE(LeeTexto(ArchivoLog()).empty()) << "the refusal is in the log file";
}

TEST_F(ArranquePrueba, ACancelledOrFailedPassFailsTheRun) {
    guion.Cuando("DBCC DBREINDEX", Respuesta::Rechazo({{1105, "Could not allocate space"}}));
    guion.Cuando("DBCC INDEXDEFRAG", Respuesta::Rechazo({{1105, "Could not allocate space"}}));
    guion.Cuando("sp_updatestats", Respuesta::Falla(-2147467259, "Communication link failure"));
    guion.Cuando("DBCC SHRINKFILE", Respuesta::Falla(-2147467259, "Communication link failure"));
    guion.Cuando("BACKUP", Respuesta::Rechazo({{3201, "Cannot open backup device"}}));
    EscribeCfp("Ventas");
    Arranca(EscribeLanzamiento());
    EXPECT_EQ(form->Salida(), kSalidaPaseFallido);
    EXPECT_TRUE(std::filesystem::exists(RutaInforme()))
        << "the report of a failed pass is still written";
}

TEST_F(ArranquePrueba, AnUnboundDefinitionEndsTheRunWithoutAReport) {
    EscribeCfp("Ventas", "sql01", "Ventas", 3);
    Arranca(EscribeLanzamiento());
    EXPECT_TRUE(vista.cerrada);
    EXPECT_EQ(form->Salida(), kSalidaConfiguracionInutil);
    EXPECT_TRUE(Archivos(".txt").empty());
    EXPECT_TRUE(Archivos(".log").empty());
    EXPECT_EQ(guion.conexionesHechas, 0);
}

TEST_F(ArranquePrueba, WithAnOperatorAnUnreadableConfigurationStartsInteractively) {
    EscribeCfp("Ventas");
    AjustesPrevios();
    Arranca(programa.En("falta.ZEVcos"));
    EXPECT_FALSE(Desatendido());
    EXPECT_FALSE(vista.cerrada);
    EXPECT_EQ(form->Salida(), kSalidaCorrecta);
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "bob") << "the remembered settings are loaded";
}

TEST_F(ArranquePrueba, WithoutAnOperatorAnUnreadableConfigurationEndsWithCode2) {
    EscribeCfp("Ventas");
    AjustesPrevios();
    const auto previos = ajustes.valores;
    Arranca(programa.En("falta.ZEVcos"), false);
    EXPECT_TRUE(vista.cerrada);
    EXPECT_EQ(form->Salida(), kSalidaConfiguracionInutil);
    EXPECT_NE(form->MotivoRechazo().find("falta.ZEVcos"), std::string::npos);
    EXPECT_EQ(ajustes.valores, previos) << "nothing the operator did is stored";
    EXPECT_EQ(vista.Texto(Control::txtUsuario), "Admin") << "no settings loaded for nobody";
}

TEST_F(ArranquePrueba, AProgramFolderThatCannotBeListedClosesAtOnce) {
    AjustesPrevios();
    const auto previos = ajustes.valores;
    vista = VistaFalsa{};
    form = std::make_unique<ventana::frmReindexador>(
        vista, ajustes, [] { return std::make_unique<Velqor>(); },
        ventana::Arranque{programa.En("no-existe"), "", true}, reloj);
    vista.form = form.get();
    form->Form_Load();
    EXPECT_TRUE(vista.cerrada);
    EXPECT_EQ(form->Salida(), kSalidaConfiguracionInutil);
    EXPECT_TRUE(cuadros.empty());
    EXPECT_EQ(ajustes.valores, previos) << "the design values never replace the settings";
}

// How an unattended run ends when something had to be logged although the pass itself answered
// True: every error this run logs fails it; the log of an earlier start in the same second is left
// alone (this run's entries go to a file of its own) and does not.
struct CasoSalida {
    const char* nombre;
    bool logPrevio;     // an earlier start in the same second wrote to the same log file
    std::string falla;  // a statement the server refuses ("" for none)
    bool sinHistorial;  // the report folder cannot be made, so the history is not saved
    bool sinInforme;    // the definition's name is too long for a report file name
    int salida;
    std::string enLog;  // what this run must add to the log ("" for nothing)

    friend void PrintTo(const CasoSalida& caso, std::ostream* os) { *os << caso.nombre; }
};

class SalidaDesatendida : public ArranquePrueba,
                          public ::testing::WithParamInterface<CasoSalida> {};

const CasoSalida kCasosSalida[] = {
    {"CleanPassAfterAnEarlierStartsEntry", true, "", false, false, kSalidaCorrecta, ""},
    {"AStepThatFailedWhileOthersSucceeded", false, "sp_updatestats", false, false,
     kSalidaPaseFallido, "\r\nUpdate Statistics\r\n"},
    {"AHistoryThatCannotBeSaved", true, "", true, false, kSalidaPaseFallido,
     "The density history could not be written to "},
    {"AReportThatCannotBeWritten", false, "", false, true, kSalidaPaseFallido,
     "The report could not be written to "},
};

TEST_P(SalidaDesatendida, AnythingTheRunLoggedFailsIt) {
    const CasoSalida& caso = GetParam();
    EscribeCfp("Ventas", "sql01,1433", "Ventas", 2, caso.sinInforme ? std::string(300, 'x') : "");
    const std::string log = programa.En(NombreEjecutable() + "_20261204163541.log");
    const std::string propio =
        caso.logPrevio ? programa.En(NombreEjecutable() + "_20261204163541_2.log") : log;
    const std::string previo = caso.logPrevio ? "04/12/2026 16:35:41\r\nearlier start\r\n\r\n" : "";
    if (caso.logPrevio) EscribeBytes(log, previo);
    if (!caso.falla.empty()) {
        guion.Cuando(caso.falla, Respuesta::Rechazo({{15247, "Permission denied."}}));
    }
    EscribeBytes(programa.En("archivo"), "not a folder");

    Arranca(EscribeLanzamiento("lanza.ZEVcos", "Ventas", true,
                               caso.sinHistorial ? programa.En("archivo") + "/informes" : ""));

    EXPECT_TRUE(vista.cerrada);
    EXPECT_EQ(form->Salida(), caso.salida);
    EXPECT_TRUE(cuadros.empty());
    if (caso.logPrevio) {
        EXPECT_EQ(LeeBytes(log), previo) << "the other start's log is untouched";
    }
    if (caso.enLog.empty()) {
        EXPECT_FALSE(std::filesystem::exists(propio));
    } else {
        ASSERT_EQ(ArchivoLog(), propio);
        const std::string escrito = LeeBytes(propio);
        EXPECT_NE(escrito.find(caso.enLog), std::string::npos) << escrito;
    }
}

INSTANTIATE_TEST_SUITE_P(Casos, SalidaDesatendida, ::testing::ValuesIn(kCasosSalida),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace velqor::prueba
