#pragma once
// The fixture of the window's unit tests: a program folder with connection definitions, the window
// logic on a fake view and an in-memory settings store, engines on a scripted connection and a
// fixed clock, and the message boxes recorded.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConexionGuionada.h"
#include "RelojFijo.h"
#include "AjustesFalsos.h"
#include "CarpetaTemporal.h"
#include "VistaFalsa.h"
#include "window/frmReindexador.h"

namespace velqor::prueba {

class FormularioPrueba : public ::testing::Test {
  protected:
    FormularioPrueba();
    ~FormularioPrueba() override;

    // Writes nombre.cfp into the program folder (SQL Server unless told).
    void EscribeCfp(const std::string& nombre, const std::string& servidor = "sql01,1433",
                    const std::string& base = "Ventas", int tipo = 2,
                    const std::string& nombreVisible = {});
    // Makes the form for this command line and runs Form_Load.
    void Arranca(const std::string& linea = {}, bool hayOperador = true);
    // Makes the form without loading it.
    void CreaFormulario(const std::string& linea = {}, bool hayOperador = true);
    // Writes "Ventas", starts, picks it and fills user, password and backup folder: ready to
    // launch.
    void Prepara(const std::string& nombreVisible = {});
    // The index of an entry of cmbBases; fails the test when it is missing.
    std::size_t Entrada(const std::string& texto) const;
    // Names of the files in the program folder ending with extension.
    std::vector<std::string> Archivos(const std::string& extension) const;
    // The report file of a pass started at the fixture's clock, for the definition's display name.
    std::string RutaInforme(const std::string& nombreSinBlancos = "Ventas") const;

    CarpetaTemporal programa;
    RelojFijo reloj;
    Guion guion;
    VistaFalsa vista;
    AjustesFalsos ajustes;
    std::vector<std::string> cuadros;  // message box texts
    // Follows the pass outside the window, as a terminal does (set before the form is made).
    std::function<void(const ventana::EstadoAvance&)> alAvanzar;
    int motoresCreados = 0;
    std::unique_ptr<ventana::frmReindexador> form;
};

}  // namespace velqor::prueba
