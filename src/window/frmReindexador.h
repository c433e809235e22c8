#pragma once
// frmReindexador: the main window's logic, written against a toolkit-neutral view. It lists the
// connection definitions, binds an engine to the chosen one, runs a maintenance pass from the
// window's values (by hand or unattended from a launch configuration), shows its progress, writes
// its report beside the program, and remembers the operator's settings between starts.
//
// Every handler traps its own errors; none throws into the toolkit's event loop.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/Momento.h"
#include "components/Lanzamiento.h"
#include "engine/Velqor.h"
#include "window/AlmacenAjustes.h"
#include "window/MedidaAvance.h"
#include "window/VistaReindexador.h"

namespace velqor::ventana {

// Makes a fresh, unbound engine (one per database choice).
using FabricaMotor = std::function<std::unique_ptr<Velqor>()>;

// How the process was started.
struct Arranque {
    std::string carpetaPrograma;  // the folder of the .cfp files, the reports and the log file
    std::string lineaComandos;    // everything after the program's name, as one text
    bool hayOperador = true;      // false on a machine with no display: nobody can take over
    // How many stop requests (SIGTERM, SIGINT) the process has received; empty when none are
    // watched. The first cancels the running pass after its statement, the second also cancels
    // the statement at the server.
    std::function<int()> paradas = {};
    // Told how far a running pass has come at each advance notice and each new second; last of
    // all with the step Fin once the pass has ended. Empty when nobody follows outside the window.
    std::function<void(const EstadoAvance& estado)> alAvanzar = {};
    // The launch configuration the command line names, when the process has read it already; the
    // form then takes it instead of reading the file again.
    std::optional<Lanzamiento> lanzamiento = {};
};

// The process exit code of an unattended run.
enum CodigoSalida : int {
    kSalidaCorrecta = 0,     // the pass succeeded, its report was written, nothing was logged
    kSalidaPaseFallido = 1,  // the pass failed, was refused or cancelled, or logged an error
    kSalidaConfiguracionInutil =
        2,  // the launch configuration (or the program folder) was unusable
};

class frmReindexador {
  public:
    frmReindexador(VistaReindexador& vista, AlmacenAjustes& ajustes, FabricaMotor fabrica,
                   Arranque arranque, const Reloj& reloj = RelojSistema::Instancia());
    frmReindexador(const frmReindexador&) = delete;
    frmReindexador& operator=(const frmReindexador&) = delete;

    // The start-up sequence: start time, log file name, captions, database list, then either one
    // unattended pass from the command line's launch configuration followed by closing the window,
    // or the remembered settings. With no operator, an unusable command line closes the window with
    // exit code 2 instead. Errors go to InformaError with the window's title.
    void Form_Load();
    // True when the command line named a readable launch configuration whose values are now in the
    // controls; Desatendido() is then True. Otherwise false and MotivoRechazo() says why.
    bool LeeLineaComandos();
    // Sets the title and every run-time caption, each step on its own.
    void CargaCaptions();

    // Replaces the engine by a new one bound to the chosen definition and words the outcome in the
    // status bar ("OK", "Invalid file: |1 |2"). Ignored while a pass runs.
    void cmbBases_Click();
    // Enables both launch buttons only for a bound engine with a user, a password and (unless the
    // database is in the cloud) a backup folder, each holding a non-blank character.
    void ActualizaBotones();
    // True when the engine is bound; otherwise shows "Please select a valid Database".
    bool BaseValida();
    // Idle: runs one pass and writes its report file under a name no other file has (opened for
    // the operator unless unattended; when unattended, a report that cannot be written is logged).
    // Running: asks the pass to cancel and returns at once; a click that arrives while the pass is
    // being started is ignored. While the pass runs every other control is disabled and the
    // window's events keep running.
    void cmdLanzarAhora_Click();
    // The engine's progress event: shows the text and passes a pending cancel request on.
    void Velq_Progreso(std::string& texto, bool& cancelar);
    // The engine's advance notice: updates the progress bar and whoever follows the pass.
    void Velq_Avance(const Velqor::Avance& avance);
    // Turns the stop requests received while a pass runs into a logged cancel request; from the
    // second one on, enSentencia (the wait hook of a running statement) throws to cancel it.
    void AtiendeParadas(bool enSentencia);
    // Puts texto into the status bar and lets pending window events run.
    void MuestraEstado(const std::string& texto);
    // Saves the window's values as a launch configuration chosen in the save dialog.
    void cmdGuardarConfig_Click();

    // Puts the remembered settings (or their first-start defaults) into the controls.
    void CargaReg();
    // Stores user, database, report folder and backup folder; each step on its own.
    void GuardaReg();
    void txtUsuario_Change();
    void txtClave_Change();
    void txtServerPath_Change();

    // Fits the panel picTab to the client area; a client area too small leaves it where it was.
    void Form_Resize();
    // Shows or hides the backup-folder field and its label together.
    void MuestraServerPath(bool mostrar);
    // Lets the operator choose the report folder.
    void cmdBrowse_Click();

    // The close request. While a pass runs it is refused: the pass is asked to cancel and the
    // window closes by itself once the pass has ended. Otherwise the settings are stored (after an
    // interactive start only).
    void Form_QueryUnload(bool& cancelar);
    // Releases the engine, which writes its density history back. An unattended run that logged an
    // error of its own by then ends with kSalidaPaseFallido (warnings do not count).
    void Form_Unload();

    // The title "ZEV Performance tool (vX.YY.ZZ) for SQL Server 2005-2019 / AZURE" of a version.
    static std::string TituloVentana(int32_t mayor, int32_t menor, int32_t revision);

    // The exit code of the process (see CodigoSalida), final once the window has unloaded; 0 after
    // an interactive session.
    int Salida() const { return salida_; }
    // Why the command line or the program folder could not be used; empty when nothing was refused.
    const std::string& MotivoRechazo() const { return motivo_; }
    bool Ejecutando() const { return Ejecutando_; }
    bool Cancelando() const { return Cancelando_; }

  private:
    std::unique_ptr<Velqor> NuevoMotor();
    // Words why an unattended run failed, for MotivoRechazo: the first error the run logged and
    // where the log is (logging the failure itself when nothing else was).
    void ExplicaFallo();
    void PideCancelar();
    bool NoBlanco(Control c) const;
    // Shows the pass's progress (always, or only when its second has changed) to the bar and to
    // Arranque::alAvanzar.
    void MuestraAvance(bool siCambio);
    // Hides the bar and tells Arranque::alAvanzar that the pass has ended.
    void TerminaAvance();

    VistaReindexador& vista_;
    AlmacenAjustes& ajustes_;
    FabricaMotor fabrica_;
    Arranque arranque_;
    const Reloj& reloj_;
    MedidaAvance medida_;
    int64_t segundoMostrado_ = -1;

    std::unique_ptr<Velqor> Velq_;
    bool Ejecutando_ = false;
    bool Cancelando_ = false;
    bool Iniciando_ = false;  // the click handler is starting a pass and runs pending events
    int paradasAtendidas_ = 0;
    bool cerrarAlTerminar_ = false;  // a close request came while the pass ran
    bool ajustesCargados_ = false;   // CargaReg ran, so the controls hold settings worth storing
    std::string titulo_;
    int salida_ = kSalidaCorrecta;
    std::string motivo_;
    int erroresAlEmpezar_ = 0;  // errors logged before the unattended run began
};

}  // namespace velqor::ventana
