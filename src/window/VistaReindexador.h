#pragma once
// VistaReindexador: what the window's logic needs of a window toolkit. The view shows the named
// controls and delivers their events to frmReindexador; places and sizes are in twips.
//
// Event delivery is the view's job, as the platform's: setting the text of txtUsuario, txtClave or
// txtServerPath raises the field's _Change handler, and SeleccionaBase raises cmbBases_Click
// exactly as an operator's pick of that entry does.

#include <cstdint>
#include <string>

#include "window/Disposicion.h"

namespace velqor::ventana {

// What the progress bar at the right of the status bar shows.
struct BarraAvance {
    bool visible = false;  // hidden while no pass runs
    int32_t hechos = 0;    // the bar's value out of total; a total of 0 is a bar without an end
    int32_t total = 0;
    std::string texto;         // "17 / 240" during the index step, otherwise the step
    std::string transcurrido;  // the time since the pass started, "1:05"
};

class VistaReindexador {
  public:
    virtual ~VistaReindexador() = default;

    // The window's title.
    virtual void FijaTitulo(const std::string& titulo) = 0;

    // The caption of a label, button or option button, or the text of a text field; for cmbBases
    // the text of the selected entry (empty when none is selected).
    virtual std::string Texto(Control c) const = 0;
    // Sets a caption or a field's text (a text field raises its _Change handler). Not for cmbBases.
    virtual void FijaTexto(Control c, const std::string& texto) = 0;

    virtual bool Habilitado(Control c) const = 0;
    virtual void FijaHabilitado(Control c, bool habilitado) = 0;
    virtual bool Visible(Control c) const = 0;
    virtual void FijaVisible(Control c, bool visible) = 0;

    // Whether an option button is the selected one of its group; Selecciona selects it (and clears
    // the other one).
    virtual bool Seleccionado(Control opcion) const = 0;
    virtual void Selecciona(Control opcion) = 0;

    // Appends an entry to cmbBases.
    virtual void AgregaBase(const std::string& entrada) = 0;
    // Selects the first entry of cmbBases equal to texto and raises cmbBases_Click; false (and the
    // selection unchanged, no event) when no entry has that text.
    virtual bool SeleccionaBase(const std::string& texto) = 0;

    // Replaces the text of the status bar sbEstado.
    virtual void FijaEstado(const std::string& texto) = 0;
    // Shows, updates or hides the progress bar and its elapsed time; the status text stays.
    virtual void FijaAvance(const BarraAvance& barra) = 0;
    // Lets every pending event of the window run (repaint, clicks, a close request) and returns.
    virtual void ProcesaEventos() = 0;

    // The size of the client area and the place of a control (relative to its container).
    virtual Tamano TamanoCliente() const = 0;
    virtual Rectangulo Lugar(Control c) const = 0;
    // Moves and sizes the panel picTab in one step.
    virtual void MuevePanel(const Rectangulo& lugar) = 0;

    // The folder dialog: starts at carpeta and, when the operator chooses one, puts it in carpeta
    // and answers true. The dialog may remember its last folder in the settings under
    // aplicacion/seccion/clave.
    virtual bool SeleccionaCarpeta(const std::string& titulo, std::string& carpeta, bool flag,
                                   const std::string& aplicacion, const std::string& seccion,
                                   const std::string& clave) = 0;
    // The save dialog; filtro is "description|pattern". True with the full path in ruta when the
    // operator confirmed a file name, false when cancelled.
    virtual bool DialogoGuardar(const std::string& titulo, std::string& ruta,
                                const std::string& filtro, const std::string& aplicacion,
                                const std::string& seccion, const std::string& clave) = 0;
    // Opens a file for the operator to read with the desktop's viewer.
    virtual void AbreArchivo(const std::string& ruta) = 0;

    // Asks the window to close: the close request runs Form_QueryUnload, and Form_Unload when the
    // request was not refused.
    virtual void Cierra() = 0;
};

}  // namespace velqor::ventana
