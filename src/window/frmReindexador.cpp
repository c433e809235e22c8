#include "window/frmReindexador.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>
#include <vector>

#include "common/Archivo.h"
#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/Matrices.h"
#include "components/Utilidades.h"

namespace velqor::ventana {

namespace {

constexpr const char* kAplicacion = "Velqor";
constexpr const char* kSeccion = "Comun";

// The controls a running pass locks: all that take input, except the launch/cancel button.
constexpr std::array kBloqueadosDuranteElPase{
    Control::cmbBases,       Control::txtUsuario, Control::txtClave,
    Control::txtEstadistica, Control::cmdBrowse,  Control::txtServerPath,
    Control::opcOffLine,     Control::opcOnLine,  Control::cmdGuardarConfig,
};

}  // namespace

frmReindexador::frmReindexador(VistaReindexador& vista, AlmacenAjustes& ajustes,
                               FabricaMotor fabrica, Arranque arranque, const Reloj& reloj)
    : vista_(vista),
      ajustes_(ajustes),
      fabrica_(std::move(fabrica)),
      arranque_(std::move(arranque)),
      reloj_(reloj),
      medida_(reloj) {}

// ---- Start-up and closing ----

void frmReindexador::Form_Load() {
    try {
        FijaInicioProceso(reloj_.Ahora());
        FijaArchivoLog(
            UneRuta(arranque_.carpetaPrograma, NombreEjecutable() + "_" + MarcaTiempo() + ".log"));
        CargaCaptions();

        std::vector<std::string> nombres;
        if (!Matrices::ListaArchivos(nombres, arranque_.carpetaPrograma, "*.cfp")) {
            motivo_ = Mensaje("The program folder |1 cannot be listed",
                              {Valor::Texto(arranque_.carpetaPrograma)});
            salida_ = kSalidaConfiguracionInutil;
            vista_.Cierra();
            return;
        }
        for (const std::string& nombre : nombres) {
            // A writer's temporary left behind by a killed process is no entry.
            if (EsTemporal(nombre)) continue;
            vista_.AgregaBase(
                nombre.substr(0, nombre.size() - std::min<std::size_t>(4, nombre.size())));
        }

        if (LeeLineaComandos()) {
            cmdLanzarAhora_Click();
            vista_.Cierra();
            return;
        }
        if (!arranque_.lineaComandos.empty() && !arranque_.hayOperador) {
            salida_ = kSalidaConfiguracionInutil;
            vista_.Cierra();
            return;
        }
        CargaReg();
    } catch (const ErrorEjecucion& e) {
        InformaError(e.Numero(), e.Descripcion(), {}, titulo_, false, titulo_);
    } catch (const std::exception& e) {
        InformaError(errores::kFalloGeneral, e.what(), {}, titulo_, false, titulo_);
    }
}

bool frmReindexador::LeeLineaComandos() {
    motivo_.clear();
    if (arranque_.lineaComandos.empty()) return false;

    std::string ruta = arranque_.lineaComandos;
    std::erase(ruta, '"');
    Lanzamiento lanzamiento;
    if (arranque_.lanzamiento) {
        lanzamiento = *arranque_.lanzamiento;
    } else {
        std::string error;
        Lanzamiento::Lectura como = Lanzamiento::Lectura::NoExiste;
        if (!Lanzamiento::Lee(ruta, lanzamiento, error, &como)) {
            switch (como) {
                case Lanzamiento::Lectura::NoExiste:
                    motivo_ = Mensaje("The launch configuration |1 does not exist",
                                      {Valor::Texto(Lanzamiento::RutaExplicada(ruta))});
                    break;
                case Lanzamiento::Lectura::Incompleta:
                    motivo_ = Mensaje("The launch configuration |1 lacks some of its values",
                                      {Valor::Texto(ruta)});
                    break;
                default:
                    motivo_ = Mensaje("The launch configuration |1 could not be read (|2)",
                                      {Valor::Texto(ruta),
                                       Valor::Texto(Codificador::Motivo(
                                           como == Lanzamiento::Lectura::OtraInstalacion
                                               ? Codificador::Lectura::OtraInstalacion
                                               : Codificador::Lectura::Ilegible))});
            }
            return false;
        }
    }
    // Nobody watches from here on: what choosing the database reports (a damaged history set
    // aside) goes to the log. Should the values not fit, the start is interactive after all.
    FijaDesatendido(true);
    erroresAlEmpezar_ = ErroresRegistrados();
    try {
        vista_.FijaTexto(Control::txtEstadistica, lanzamiento.carpetaInforme);
        if (!vista_.SeleccionaBase(lanzamiento.entrada)) {
            motivo_ =
                Mensaje("The database |1 of the launch configuration |2 is not beside the program",
                        {Valor::Texto(lanzamiento.entrada), Valor::Texto(ruta)});
            FijaDesatendido(false);
            return false;
        }
        vista_.FijaTexto(Control::txtUsuario, lanzamiento.usuario);
        vista_.FijaTexto(Control::txtClave, lanzamiento.clave);
        vista_.Selecciona(lanzamiento.enLinea ? Control::opcOnLine : Control::opcOffLine);
        vista_.FijaTexto(Control::txtServerPath, lanzamiento.carpetaBackup);
    } catch (const std::exception&) {
        motivo_ =
            Mensaje("The launch configuration |1 lacks some of its values", {Valor::Texto(ruta)});
        FijaDesatendido(false);
        return false;
    }
    if (LegiblePorOtros(ruta)) RegistraAviso(AvisoLegiblePorOtros(ruta), titulo_);
    return true;
}

void frmReindexador::Form_QueryUnload(bool& cancelar) {
    if (Ejecutando_) {
        PideCancelar();
        cerrarAlTerminar_ = true;
        cancelar = true;
        return;
    }
    if (!Desatendido() && ajustesCargados_) GuardaReg();
}

void frmReindexador::Form_Unload() {
    Velq_.reset();
    // The engine has saved its history by now; whatever the unattended run had to log (a failed
    // step, a history or report that could not be written) fails it.
    if (Desatendido() && salida_ == kSalidaCorrecta && ErroresRegistrados() > erroresAlEmpezar_) {
        salida_ = kSalidaPaseFallido;
    }
    if (Desatendido() && salida_ == kSalidaPaseFallido) ExplicaFallo();
}

void frmReindexador::ExplicaFallo() {
    const std::string base = vista_.Texto(Control::cmbBases);
    // Whoever reads the one line is sent to the log: it must hold the reason.
    if (ErroresRegistrados() == erroresAlEmpezar_) {
        InformaError(0, "", {}, Mensaje("The pass over |1 did not succeed", {Valor::Texto(base)}),
                     true, titulo_);
    }
    motivo_ = Mensaje("The pass over |1 failed: |2; see |3",
                      {Valor::Texto(base), Valor::Texto(ErrorRegistrado(erroresAlEmpezar_)),
                       Valor::Texto(ArchivoLog())});
}

// ---- Captions and layout ----

std::string frmReindexador::TituloVentana(int32_t mayor, int32_t menor, int32_t revision) {
    const std::string digitos = std::to_string(mayor) + Utilidades::RellenaCeros(menor, 2) +
                                Utilidades::RellenaCeros(revision, 2);
    const std::string version = "(v" + TextoVersion(std::stoi(digitos)) + ")";
    return Mensaje("ZEV Performance tool |1 for SQL Server 2005-2019 / AZURE",
                   {Valor::Texto(version)});
}

void frmReindexador::CargaCaptions() {
    try {
        titulo_ = TituloVentana(VersionPrograma::kMayor, VersionPrograma::kMenor,
                                VersionPrograma::kRevision);
        vista_.FijaTitulo(titulo_);
    } catch (const std::exception&) {
    }
    const std::pair<Control, std::string> captions[] = {
        {Control::lblBD, "Database"},
        {Control::lblUsuario, "User"},
        {Control::lblClave, "Password"},
        {Control::lblEstadistica, "Report folder"},
        {Control::cmdBrowse, "Browse"},
        {Control::lblInfo,
         "Several actions will be done in the server to improve database performance. These "
         "include "
         "Reindex, Update Statistics, Shrink Log File, Truncate Log File (in old SQL versions) and "
         "Database Backup."},
        {Control::opcOffLine, "Assume database users are off line"},
        {Control::opcOnLine, "Assume database users are on line"},
        {Control::cmdLanzarAhora, "Launch now"},
        {Control::cmdGuardarConfig, "Save configuration for automatic launch"},
    };
    for (const auto& [control, plantilla] : captions) {
        try {
            const std::string caption = Mensaje(plantilla);
            vista_.FijaTexto(control, control == Control::cmdBrowse ? "<= " + caption : caption);
        } catch (const std::exception&) {
        }
    }
}

void frmReindexador::Form_Resize() {
    try {
        const Rectangulo estadistica = vista_.Lugar(Control::txtEstadistica);
        const float t = estadistica.top + estadistica.height + 50.0f;
        const Tamano cliente = vista_.TamanoCliente();
        const Rectangulo panel{50.0f, t, cliente.width - 100.0f,
                               cliente.height - t - vista_.Lugar(Control::sbEstado).height - 50.0f};
        if (panel.width < 0.0f || panel.height < 0.0f) return;
        vista_.MuevePanel(panel);
    } catch (const std::exception&) {
    }
}

void frmReindexador::MuestraServerPath(bool mostrar) {
    vista_.FijaVisible(Control::lblServerPath, mostrar);
    vista_.FijaVisible(Control::txtServerPath, mostrar);
}

void frmReindexador::cmdBrowse_Click() {
    try {
        std::string carpeta = vista_.Texto(Control::txtEstadistica);
        if (vista_.SeleccionaCarpeta(Mensaje("Select folder..."), carpeta, true, kAplicacion,
                                     kSeccion, "Estadistica")) {
            vista_.FijaTexto(Control::txtEstadistica, carpeta);
        }
    } catch (const std::exception&) {
    }
}

// ---- Database list and launch configurations ----

std::unique_ptr<Velqor> frmReindexador::NuevoMotor() {
    std::unique_ptr<Velqor> motor = fabrica_ ? fabrica_() : std::make_unique<Velqor>();
    motor->AlProgresar(
        [this](std::string& texto, bool& cancelar) { Velq_Progreso(texto, cancelar); });
    motor->AlAvanzar([this](const Velqor::Avance& avance) { Velq_Avance(avance); });
    motor->AlEsperar([this] {
        MuestraAvance(true);
        vista_.ProcesaEventos();
        AtiendeParadas(true);
    });
    return motor;
}

void frmReindexador::cmbBases_Click() {
    if (Ejecutando_) return;  // the running pass holds the engine
    Velq_.reset();
    Velq_ = NuevoMotor();
    MuestraEstado("");

    const std::string base = vista_.Texto(Control::cmbBases);
    if (EnBlanco(base)) return;

    bool noEsSQL = false;
    bool creado = false;
    try {
        creado = Velq_->Crear(arranque_.carpetaPrograma, base,
                              vista_.Texto(Control::txtEstadistica), noEsSQL);
    } catch (const std::exception&) {
        creado = false;
    }
    if (creado) {
        MuestraServerPath(!Velq_->EsCloud());
        MuestraEstado(Mensaje("OK"));
    } else {
        MuestraEstado(Mensaje("Invalid file: |1 |2",
                              {Valor::Texto(base), Valor::Texto(noEsSQL ? Mensaje("(not SQL)")
                                                                        : Velq_->ErrorDefinicion())}));
    }
}

bool frmReindexador::NoBlanco(Control c) const { return !EnBlanco(vista_.Texto(c)); }

void frmReindexador::ActualizaBotones() {
    try {
        const bool listo = Velq_ && Velq_->Creado() && NoBlanco(Control::txtUsuario) &&
                           NoBlanco(Control::txtClave) &&
                           (Velq_->EsCloud() || NoBlanco(Control::txtServerPath));
        vista_.FijaHabilitado(Control::cmdGuardarConfig, listo);
        vista_.FijaHabilitado(Control::cmdLanzarAhora, listo);
    } catch (const std::exception&) {
    }
}

bool frmReindexador::BaseValida() {
    if (Velq_ && Velq_->Creado()) return true;
    MuestraEstado(Mensaje("Please select a valid Database"));
    return false;
}

void frmReindexador::cmdGuardarConfig_Click() {
    if (!BaseValida()) return;
    try {
        const std::string titulo = Mensaje("Save configuration as...");
        const std::string filtro = Mensaje("Dransk configuration file") + "|*" + ".ZEVcos";
        std::string ruta;
        if (!vista_.DialogoGuardar(titulo, ruta, filtro, kAplicacion, kSeccion, "Configuracion"))
            return;

        Lanzamiento lanzamiento;
        lanzamiento.entrada = vista_.Texto(Control::cmbBases);
        lanzamiento.carpetaInforme = vista_.Texto(Control::txtEstadistica);
        lanzamiento.usuario = vista_.Texto(Control::txtUsuario);
        lanzamiento.clave = vista_.Texto(Control::txtClave);
        lanzamiento.carpetaBackup = vista_.Texto(Control::txtServerPath);
        lanzamiento.enLinea = vista_.Seleccionado(Control::opcOnLine);
        const bool escrito = lanzamiento.Guarda(ruta);
        MuestraEstado(Mensaje(escrito ? "OK" : "Operation could not be completed"));
        // Saved all the same: the folder may be made before the night, and the pass makes it
        // when it can; the operator is told before relying on it.
        const std::string aviso = AvisoCarpetaInforme(lanzamiento.carpetaInforme);
        if (escrito && !aviso.empty()) MuestraMensaje(aviso, titulo_);
    } catch (const std::exception&) {
        MuestraEstado(Mensaje("Operation could not be completed"));
    }
}

// ---- Launch and progress ----

void frmReindexador::PideCancelar() {
    Cancelando_ = true;
    vista_.FijaTexto(Control::cmdLanzarAhora, Mensaje("Cancelling"));
}

void frmReindexador::cmdLanzarAhora_Click() {
    if (!Velq_) {
        MuestraEstado(Mensaje("Please select a database"));
        if (Desatendido()) salida_ = kSalidaConfiguracionInutil;
        return;
    }
    if (!BaseValida()) {
        if (Desatendido()) {
            motivo_ = Mensaje("The connection definition |1 could not be loaded: |2",
                              {Valor::Texto(vista_.Texto(Control::cmbBases)),
                               Valor::Texto(Velq_->ErrorDefinicion())});
            salida_ = kSalidaConfiguracionInutil;
        }
        return;
    }
    if (Ejecutando_) {
        // A click queued behind the one that is starting the pass was meant to launch, not to
        // cancel: the pass is already on its way.
        if (!Iniciando_) PideCancelar();
        return;
    }

    Ejecutando_ = true;
    Cancelando_ = false;
    medida_.Inicia();
    MuestraAvance(false);
    Iniciando_ = true;
    MuestraEstado("");  // pending events run here; a close request cancels the pass before it starts
    Iniciando_ = false;
    if (!Cancelando_) vista_.FijaTexto(Control::cmdLanzarAhora, Mensaje("Cancel"));
    std::array<bool, kBloqueadosDuranteElPase.size()> habilitados{};
    for (std::size_t i = 0; i < kBloqueadosDuranteElPase.size(); ++i) {
        habilitados[i] = vista_.Habilitado(kBloqueadosDuranteElPase[i]);
        vista_.FijaHabilitado(kBloqueadosDuranteElPase[i], false);
    }

    bool exito = false;
    bool grabado = false;
    try {
        const bool onLine = vista_.Seleccionado(Control::opcOnLine);
        const std::string serverPath = vista_.Texto(Control::txtServerPath);
        const std::string usuario = vista_.Texto(Control::txtUsuario);
        const std::string clave = vista_.Texto(Control::txtClave);
        std::string informe;
        if (!Cancelando_) {
            exito =
                Velq_->MejorarRendimiento(onLine, serverPath, Cancelando_, usuario, clave, informe);
        }
        if (!informe.empty()) {
            // A report of its own: another pass started in the same second gets "_2" and so on.
            const std::string base =
                UneRuta(arranque_.carpetaPrograma, Velq_->NombreArchivo() + "_" + MarcaTiempo());
            const std::string ruta = GrabaTextoNuevo(base, ".txt", informe);
            grabado = !ruta.empty();
            if (grabado && !Desatendido()) vista_.AbreArchivo(ruta);
            if (!grabado && Desatendido()) {
                InformaError(
                    0, "", {},
                    Mensaje("The report could not be written to |1", {Valor::Texto(base + ".txt")}),
                    true, titulo_);
            }
        }
    } catch (const std::exception&) {
        // The pass is over; whatever failed after it leaves the window idle, without a message.
    }

    TerminaAvance();
    vista_.FijaTexto(Control::cmdLanzarAhora, Mensaje("Launch now"));
    Ejecutando_ = false;
    for (std::size_t i = 0; i < kBloqueadosDuranteElPase.size(); ++i) {
        vista_.FijaHabilitado(kBloqueadosDuranteElPase[i], habilitados[i]);
    }
    if (Desatendido()) salida_ = exito && grabado ? kSalidaCorrecta : kSalidaPaseFallido;
    if (cerrarAlTerminar_) vista_.Cierra();
}

void frmReindexador::Velq_Progreso(std::string& texto, bool& cancelar) {
    MuestraEstado(texto);
    AtiendeParadas(false);
    if (Cancelando_) cancelar = true;
}

void frmReindexador::Velq_Avance(const Velqor::Avance& avance) {
    if (!Ejecutando_) return;
    // The end is shown once the pass is over and its report written.
    if (avance.paso == Velqor::Paso::Fin) return;
    medida_.Anota(avance);
    MuestraAvance(false);
}

void frmReindexador::MuestraAvance(bool siCambio) {
    if (!Ejecutando_) return;
    try {
        const EstadoAvance estado = medida_.Estado();
        if (siCambio && estado.transcurridos == segundoMostrado_) return;
        segundoMostrado_ = estado.transcurridos;
        const bool indices = estado.paso == Velqor::Paso::Indices;
        vista_.FijaAvance({true, indices ? estado.hechos : 0, indices ? estado.total : 0,
                           MedidaAvance::TextoBarra(estado),
                           MedidaAvance::TextoDuracion(estado.transcurridos)});
        if (arranque_.alAvanzar) arranque_.alAvanzar(estado);
    } catch (const std::exception&) {
        // Progress is a courtesy: the pass goes on without it.
    }
}

void frmReindexador::TerminaAvance() {
    segundoMostrado_ = -1;
    try {
        vista_.FijaAvance({});
        if (arranque_.alAvanzar) {
            EstadoAvance fin = medida_.Estado();
            fin.paso = Velqor::Paso::Fin;
            arranque_.alAvanzar(fin);
        }
    } catch (const std::exception&) {
    }
}

void frmReindexador::AtiendeParadas(bool enSentencia) {
    if (!arranque_.paradas || !Ejecutando_) return;
    const int paradas = arranque_.paradas();
    if (paradas >= 1 && paradasAtendidas_ < 1) {
        paradasAtendidas_ = 1;
        InformaError(0, "", {},
                     Mensaje("The run was asked to stop; the pass ends after the running "
                             "statement"),
                     true, titulo_);
    }
    if (paradas >= 1 && !Cancelando_) PideCancelar();
    if (paradas >= 2 && paradasAtendidas_ < 2) {
        paradasAtendidas_ = 2;
        InformaError(0, "", {},
                     Mensaje("The run was asked to stop again; the running statement is cancelled"),
                     true, titulo_);
    }
    // Thrown from the wait hook, this cancels the statement the server is running.
    if (paradas >= 2 && enSentencia) {
        throw ErrorEjecucion(errores::kInterrumpido,
                             Mensaje("The statement was cancelled: the run was asked to stop"));
    }
}

void frmReindexador::MuestraEstado(const std::string& texto) {
    vista_.FijaEstado(texto);
    vista_.ProcesaEventos();
}

// ---- Remembered settings ----

void frmReindexador::CargaReg() {
    ajustesCargados_ = true;
    try {
        vista_.FijaTexto(Control::txtUsuario,
                         ajustes_.Lee(kAplicacion, kSeccion, "Usuario", "Admin"));
    } catch (const std::exception&) {
    }
    try {
        vista_.FijaTexto(Control::txtEstadistica, ajustes_.Lee(kAplicacion, kSeccion, "Estadistica",
                                                               arranque_.carpetaPrograma));
    } catch (const std::exception&) {
    }
    try {
        vista_.SeleccionaBase(ajustes_.Lee(kAplicacion, kSeccion, "Base", ""));
    } catch (const std::exception&) {
    }
    try {
        vista_.FijaTexto(Control::txtServerPath,
                         ajustes_.Lee(kAplicacion, kSeccion, "CarpetaBackup", ""));
    } catch (const std::exception&) {
    }
    ActualizaBotones();
}

void frmReindexador::GuardaReg() {
    const std::pair<const char*, Control> claves[] = {
        {"Usuario", Control::txtUsuario},
        {"Base", Control::cmbBases},
        {"Estadistica", Control::txtEstadistica},
        {"CarpetaBackup", Control::txtServerPath},
    };
    for (const auto& [clave, control] : claves) {
        try {
            ajustes_.Guarda(kAplicacion, kSeccion, clave, vista_.Texto(control));
        } catch (const std::exception&) {
        }
    }
}

void frmReindexador::txtUsuario_Change() { ActualizaBotones(); }

void frmReindexador::txtClave_Change() { ActualizaBotones(); }

void frmReindexador::txtServerPath_Change() { ActualizaBotones(); }

}  // namespace velqor::ventana
