// The engine object: construction, binding to a connection definition, the cloud check,
// the report file name, the Progreso event and the log entry of a failed step.

#include "engine/Velqor.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/Utilidades.h"
#include "db/OdbcConnection.h"
#include "engine/AbrirConexion.h"
#include "engine/Dialecto.h"
#include "engine/ErrorAtrapado.h"

namespace velqor {

Velqor::Velqor(db::FabricaConexion fabrica, const Reloj& reloj)
    : fabrica_(fabrica ? std::move(fabrica) : db::FabricaConexion(db::NuevaConexionOdbc)),
      reloj_(reloj),
      dialecto_(Dialecto::DeEdicion(0)) {}

Velqor::~Velqor() {
    if (!creado_ || soloLectura_) return;
    // The pass wrote every measurement to its month's file already: nothing is left to write.
    if (!HistorialPendiente()) return;
    if (!historialFallidoEn_.empty() && historialFallidoEn_ == ArchivoEstadistica()) return;
    // A pass refused at its login leaves no empty history file behind.
    if (sinEntrar_ && estadistica_.Vacio()) return;
    try {
        bool detenido = detenido_;
        GuardaEstadistica(detenido ? &detenido : nullptr);
    } catch (const std::exception&) {
        // GuardaEstadistica reports its own failures; nothing may leave a destructor.
    }
}

void Velqor::AlProgresar(ManejadorProgreso manejador) { progreso_ = std::move(manejador); }

void Velqor::AlAvanzar(ManejadorAvance manejador) { avance_ = std::move(manejador); }

std::string Velqor::TextoPaso(Paso paso) {
    switch (paso) {
        case Paso::Encuesta:
            return "survey";
        case Paso::Indices:
            return "indexes";
        case Paso::Estadisticas:
            return "statistics";
        case Paso::ReduccionLog:
            return "log shrink";
        case Paso::BackupLog:
            return "log backup";
        case Paso::Truncado:
            return "log truncate";
        case Paso::BackupBase:
            return "database backup";
        case Paso::Fin:
            break;
    }
    return "done";
}

void Velqor::Avanza(const Avance& avance) {
    if (!avance_) return;
    try {
        avance_(avance);
    } catch (const std::exception&) {
        // The receiver only displays; its failure must not change the pass.
    }
}

void Velqor::AlEsperar(db::WaitHook hook) { espera_ = std::move(hook); }

void Velqor::Progreso(std::string texto, bool& cancelar) {
    if (!progreso_) return;
    try {
        progreso_(texto, cancelar);
    } catch (const std::exception&) {
        // The receiver only displays; its failure must not change the pass.
    }
}

void Velqor::RegistraFallo(int32_t numero, const std::string& descripcion,
                           const db::Connection* conn, const std::string& texto,
                           const std::string& contexto) {
    if (Desatendido()) InformaError(numero, descripcion, conn, texto, true, contexto);
}

bool Velqor::Crear(const std::string& rutaCFP, const std::string& archivoCFP,
                   const std::string& rutaEstadistica, bool& noEsSQL) {
    if (!perfil_.Cargar(VersionPrograma::kEmpresa, rutaCFP, archivoCFP)) return false;
    if (perfil_.TipoBase() != 2) {
        noEsSQL = true;
        return false;
    }
    rutaCFP_ = rutaCFP;
    archivoCFP_ = archivoCFP;
    rutaEstadistica_ = rutaEstadistica;
    creado_ = true;
    if (!soloLectura_) CargaEstadistica();
    return true;
}

void Velqor::SoloLectura() { soloLectura_ = true; }

int32_t Velqor::SegundosLogin() const {
    // A definition may shorten (or lengthen) the login wait; otherwise 30 seconds.
    return perfil_.TiempoLogin() > 0 ? perfil_.TiempoLogin() : 30;
}

std::unique_ptr<db::Connection> Velqor::PreparaConexion() const {
    auto conn = fabrica_();
    conn->SetCommandTimeout(0);
    conn->SetConnectionTimeout(SegundosLogin());
    conn->SetWaitHook(espera_);
    return conn;
}

void Velqor::Abre(db::Connection& conn) const {
    // A login cannot be cut short: a hook that gives up would still wait for it and then end the
    // pass without its report. The cancel request it makes is honoured after the login.
    if (espera_) {
        conn.SetWaitHook([this] {
            try {
                espera_();
            } catch (const std::exception&) {
            }
        });
    }
    velqor::AbreConexion(conn, perfil_, SegundosLogin());
    conn.SetWaitHook(espera_);
}

std::unique_ptr<db::Connection> Velqor::AbreConexion() {
    if (!creado_) {
        throw ErrorEjecucion(errores::kObjetoNoEstablecido,
                             "The engine is not bound to a definition.");
    }
    auto conn = PreparaConexion();
    try {
        Abre(*conn);
    } catch (const ErrorEjecucion& e) {
        // Every message of a refused login says why ("Cannot open database ..." comes before the
        // plain "Login failed"); a reason found beside the driver's (what to change about
        // encryption) comes first.
        std::string todas;
        for (const db::ErrorProveedor& p : conn->Errors())
            todas += (todas.empty() ? "" : " ") + p.Description;
        if (!todas.empty() && todas.find(e.Descripcion()) == std::string::npos) {
            todas = e.Descripcion() + " (" + todas + ")";
        }
        throw ErrorEjecucion(e.Numero(), todas.empty() ? e.Descripcion() : todas);
    }
    return conn;
}

bool Velqor::EsCloud() const {
    if (!creado_) return false;
    try {
        const std::string marca =
            Codificador::Descifra(VersionPrograma::kEmpresa, Codificador::MarcaNubeOculta());
        return !marca.empty() && perfil_.Servidor().find(marca) != std::string::npos;
    } catch (const std::exception&) {
        return false;
    }
}

std::string Velqor::NombreArchivo() const {
    std::string nombre = perfil_.Nombre();
    std::erase(nombre, ' ');
    // Made like the history file's name, so that it stays a plain name in the program's folder.
    return Utilidades::NombreParaArchivo(nombre);
}

}  // namespace velqor
