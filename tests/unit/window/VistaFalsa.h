#pragma once
// An in-memory view of the main window: it keeps the controls' texts and states, raises the form's
// events as the toolkit would, answers the dialogs from the test's script and lets the test act
// (click, close) whenever the form lets pending events run.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "window/VistaReindexador.h"

namespace velqor::ventana {
class frmReindexador;
}

namespace velqor::prueba {

using ventana::Control;

class VistaFalsa final : public ventana::VistaReindexador {
  public:
    VistaFalsa();

    // The form that receives the events (set before Form_Load).
    ventana::frmReindexador* form = nullptr;

    void FijaTitulo(const std::string& t) override { titulo = t; }
    std::string Texto(Control c) const override;
    void FijaTexto(Control c, const std::string& texto) override;
    bool Habilitado(Control c) const override { return habilitados.at(c); }
    void FijaHabilitado(Control c, bool h) override { habilitados[c] = h; }
    bool Visible(Control c) const override { return visibles.at(c); }
    void FijaVisible(Control c, bool v) override { visibles[c] = v; }
    bool Seleccionado(Control opcion) const override { return opcion == opcionElegida; }
    void Selecciona(Control opcion) override { opcionElegida = opcion; }
    void AgregaBase(const std::string& entrada) override { bases.push_back(entrada); }
    bool SeleccionaBase(const std::string& texto) override;
    void FijaEstado(const std::string& texto) override;
    void FijaAvance(const ventana::BarraAvance& b) override;
    void ProcesaEventos() override;
    ventana::Tamano TamanoCliente() const override { return cliente; }
    ventana::Rectangulo Lugar(Control c) const override;
    void MuevePanel(const ventana::Rectangulo& lugar) override { panel = lugar; }
    bool SeleccionaCarpeta(const std::string& titulo, std::string& carpeta, bool flag,
                           const std::string& aplicacion, const std::string& seccion,
                           const std::string& clave) override;
    bool DialogoGuardar(const std::string& titulo, std::string& ruta, const std::string& filtro,
                        const std::string& aplicacion, const std::string& seccion,
                        const std::string& clave) override;
    void AbreArchivo(const std::string& ruta) override { abiertos.push_back(ruta); }
    void Cierra() override;

    // The operator picks entry i of cmbBases.
    void Elige(std::size_t i);
    // The operator types into a field (the change handler runs).
    void Escribe(Control campo, const std::string& texto) { FijaTexto(campo, texto); }

    std::string titulo;
    std::map<Control, std::string> textos;
    std::map<Control, bool> habilitados, visibles;
    Control opcionElegida = Control::opcOffLine;
    std::vector<std::string> bases;
    int seleccion = -1;
    std::vector<std::string> estados;          // every text the status bar showed, in order
    ventana::BarraAvance barra;                // what the progress bar shows now
    std::vector<ventana::BarraAvance> barras;  // every change of the progress bar, in order
    ventana::Tamano cliente = ventana::kClienteDiseno;
    ventana::Rectangulo panel = ventana::Diseno(Control::picTab).lugar;

    // Scripted dialogs: an empty optional is a cancelled dialog. The calls are recorded.
    std::optional<std::string> carpetaElegida, archivoElegido;
    std::vector<std::string> dialogos;  // "title|filter|application|section|key|start folder"
    std::vector<std::string> abiertos;

    // Run at every ProcesaEventos with the current status text (the operator's actions).
    std::function<void(const std::string& estado)> alProcesar;
    int eventosProcesados = 0;
    bool cerrada = false;
    int cierresRechazados = 0;
};

}  // namespace velqor::prueba
