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

namespace velqor {

Velqor::Velqor(db::FabricaConexion fabrica, const Reloj& reloj)
    : fabrica_(fabrica ? std::move(fabrica) : db::FabricaConexion(db::NuevaConexionOdbc)),
      reloj_(reloj) {}

Velqor::~Velqor() {
    if (!creado_) return;
    try {
        GuardaEstadistica();
    } catch (const std::exception&) {
        // GuardaEstadistica reports its own failures; nothing may leave a destructor.
    }
}

void Velqor::AlProgresar(ManejadorProgreso manejador) { progreso_ = std::move(manejador); }

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
    CargaEstadistica();
    return true;
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
