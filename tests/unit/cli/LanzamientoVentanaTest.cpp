// write-launch against the window itself: the file it writes holds what the window's
// "Save configuration for automatic launch" writes, and the window's unattended start takes every
// value back from it into its controls.

#include <gtest/gtest.h>

#include <map>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "window/frmReindexador.h"

namespace velqor::prueba {
namespace {

using ventana::Control;

// Just enough of a window: texts, the option group, the database list and a save dialog that
// answers a fixed path.
class VistaMinima final : public ventana::VistaReindexador {
  public:
    ventana::frmReindexador* form = nullptr;
    std::map<Control, std::string> textos;
    std::vector<std::string> bases;
    Control opcion = Control::opcOffLine;
    std::string rutaGuardar;

    void FijaTitulo(const std::string&) override {}
    std::string Texto(Control c) const override { return textos.count(c) ? textos.at(c) : ""; }
    void FijaTexto(Control c, const std::string& texto) override { textos[c] = texto; }
    bool Habilitado(Control) const override { return true; }
    void FijaHabilitado(Control, bool) override {}
    bool Visible(Control) const override { return true; }
    void FijaVisible(Control, bool) override {}
    bool Seleccionado(Control o) const override { return o == opcion; }
    void Selecciona(Control o) override { opcion = o; }
    void AgregaBase(const std::string& entrada) override { bases.push_back(entrada); }
    bool SeleccionaBase(const std::string& texto) override {
        if (std::find(bases.begin(), bases.end(), texto) == bases.end()) return false;
        textos[Control::cmbBases] = texto;
        if (form) form->cmbBases_Click();
        return true;
    }
    void FijaEstado(const std::string& texto) override { textos[Control::sbEstado] = texto; }
    void FijaAvance(const ventana::BarraAvance&) override {}
    void ProcesaEventos() override {}
    ventana::Tamano TamanoCliente() const override { return {}; }
    ventana::Rectangulo Lugar(Control) const override { return {}; }
    void MuevePanel(const ventana::Rectangulo&) override {}
    bool SeleccionaCarpeta(const std::string&, std::string&, bool, const std::string&,
                           const std::string&, const std::string&) override {
        return false;
    }
    bool DialogoGuardar(const std::string&, std::string& ruta, const std::string&,
                        const std::string&, const std::string&, const std::string&) override {
        ruta = rutaGuardar;
        return true;
    }
    void AbreArchivo(const std::string&) override {}
    void Cierra() override {}
};

class AjustesVacios final : public ventana::AlmacenAjustes {
  public:
    std::string Lee(const std::string&, const std::string&, const std::string&,
                    const std::string& porDefecto) const override {
        return porDefecto;
    }
    void Guarda(const std::string&, const std::string&, const std::string&,
                const std::string&) override {}
};

class LanzamientoVentana : public ::testing::Test {
  protected:
    CarpetaTemporal programa;  // the window's folder, with the definition Sales.cfp
    CarpetaTemporal informes;
    AjustesVacios ajustes;

    void SetUp() override {
        ASSERT_EQ(EjecutaCli({"write-cfp", programa.En("Sales.cfp"), "--name", "Sales", "--server",
                              "db01", "--database", "Sales", "--integrated"})
                      .codigo,
                  0);
    }
    void TearDown() override { FijaDesatendido(false); }

    ventana::frmReindexador Ventana(VistaMinima& vista, const std::string& lineaComandos) {
        return ventana::frmReindexador(vista, ajustes, [] { return std::make_unique<Velqor>(); },
                                       {programa.Texto(), lineaComandos, true});
    }

    static Lista Lee(const std::string& ruta) {
        Lista valores;
        EXPECT_TRUE(Codificador::LeeArchivo(VersionPrograma::kEmpresa, ruta, valores, true))
            << ruta;
        return valores;
    }

    std::vector<std::string> WriteLaunch(const std::string& ruta, bool enLinea) {
        return {"write-launch",
                ruta,
                "--database",
                "Sales",
                "--report-folder",
                informes.Texto(),
                "--user",
                "O'Brien",
                "--password",
                "pässwd",
                enLinea ? "--online" : "--offline",
                "--backup-folder",
                "D:\\Backups",
                "--program-folder",
                programa.Texto()};
    }
};

TEST_F(LanzamientoVentana, WritesWhatTheWindowsSaveWrites) {
    for (bool enLinea : {false, true}) {
        VistaMinima vista;
        vista.bases = {"Sales"};
        vista.rutaGuardar = programa.En("window.ZEVcos");
        auto form = Ventana(vista, "");
        vista.form = &form;
        vista.FijaTexto(Control::txtEstadistica, informes.Texto());
        ASSERT_TRUE(vista.SeleccionaBase("Sales"));
        vista.FijaTexto(Control::txtUsuario, "O'Brien");
        vista.FijaTexto(Control::txtClave, "pässwd");
        vista.FijaTexto(Control::txtServerPath, "D:\\Backups");
        vista.Selecciona(enLinea ? Control::opcOnLine : Control::opcOffLine);
        form.cmdGuardarConfig_Click();
        ASSERT_EQ(vista.Texto(Control::sbEstado), "OK");

        ASSERT_EQ(EjecutaCli(WriteLaunch(programa.En("cli.ZEVcos"), enLinea)).codigo, 0);
        const Lista deLaVentana = Lee(programa.En("window.ZEVcos"));
        const Lista deLaLinea = Lee(programa.En("cli.ZEVcos"));
        ASSERT_EQ(deLaLinea.size(), deLaVentana.size());
        for (size_t i = 0; i < deLaVentana.size(); ++i) {
            EXPECT_EQ(deLaLinea[i].tipo(), deLaVentana[i].tipo()) << "value " << i;
            EXPECT_EQ(deLaLinea[i], deLaVentana[i]) << "value " << i;
        }
        std::filesystem::remove(programa.En("window.ZEVcos"));
        std::filesystem::remove(programa.En("cli.ZEVcos"));
    }
}

TEST_F(LanzamientoVentana, TheUnattendedStartTakesEveryValueBack) {
    for (bool enLinea : {false, true}) {
        const std::string ruta = programa.En("night run.ZEVcos");
        ASSERT_EQ(EjecutaCli(WriteLaunch(ruta, enLinea)).codigo, 0);

        VistaMinima vista;
        vista.bases = {"Other", "Sales"};
        vista.opcion = enLinea ? Control::opcOffLine : Control::opcOnLine;
        auto form = Ventana(vista, "\"" + ruta + "\"");
        vista.form = &form;
        ASSERT_TRUE(form.LeeLineaComandos()) << form.MotivoRechazo();
        EXPECT_TRUE(Desatendido());
        EXPECT_EQ(vista.Texto(Control::cmbBases), "Sales");
        EXPECT_EQ(vista.Texto(Control::sbEstado), "OK");  // the engine was bound to Sales.cfp
        EXPECT_EQ(vista.Texto(Control::txtEstadistica), informes.Texto());
        EXPECT_EQ(vista.Texto(Control::txtUsuario), "O'Brien");
        EXPECT_EQ(vista.Texto(Control::txtClave), "pässwd");
        EXPECT_EQ(vista.opcion, enLinea ? Control::opcOnLine : Control::opcOffLine);
        EXPECT_EQ(vista.Texto(Control::txtServerPath), "D:\\Backups");
        FijaDesatendido(false);
        std::filesystem::remove(ruta);
    }
}

}  // namespace
}  // namespace velqor::prueba
