// The density history of the month: loaded when the engine is bound, each measurement recorded
// in this process's journal as it is made, and the journals merged into the month's file at the
// end of each pass and when the engine ends. Each merge happens under a lock on the folder, so
// that engines of other processes (a window left open, a scheduled run) never lose or repeat each
// other's measurements. MesHistorial keeps the file and the journals (docs/density-history.md).

#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <system_error>

#include "common/CarpetaEscribible.h"
#include "common/CerrojoCarpeta.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Utilidades.h"
#include "engine/MesHistorial.h"
#include "engine/TextoHistorial.h"
#include "engine/Velqor.h"

namespace velqor {

namespace {

// The longest a save waits for another process's lock on the report folder.
constexpr std::chrono::seconds kEsperaCerrojo{5};

}  // namespace

std::string Velqor::ArchivoEstadistica() const { return ArchivoEstadistica(InicioProceso()); }

std::string Velqor::ArchivoEstadistica(Momento mes) const {
    return UneRuta(rutaEstadistica_, Utilidades::NombreParaArchivo(archivoCFP_) + "_" +
                                         Formatea(mes, "yyyy_mm") + ".ZEVeri");
}

void Velqor::ApartaHistorial(const std::string& ruta) {
    // Keep the damaged file beside the new one rather than overwrite it, and say so.
    const std::string apartado = ruta + ".damaged-" + Formatea(reloj_.Ahora(), "yyyymmddhhnnss");
    std::error_code ec;
    std::filesystem::rename(ruta, apartado, ec);
    const std::string aviso =
        ec ? Mensaje("The density history file |1 is damaged and could not be set aside as |2: |3",
                     {Valor::Texto(ruta), Valor::Texto(apartado), Valor::Texto(ec.message())})
           : Mensaje("The density history file |1 is damaged; it was kept as |2",
                     {Valor::Texto(ruta), Valor::Texto(apartado)});
    InformaError(0, "", {}, aviso, false, archivoCFP_);
}

bool Velqor::LeeHistorial(const std::string& ruta, HistorialDensidad& historial) {
    historial = HistorialDensidad();
    int32_t atributos = 0;
    const bool existe = Utilidades::ExisteArchivo(ruta, atributos);
    const std::string texto = existe ? LeeTexto(ruta) : std::string();
    std::error_code ec;
    // A file that holds bytes but reads as nothing could not be read: keep it like a damaged one.
    if (texto.empty() && (!existe || std::filesystem::file_size(ruta, ec) == 0 || ec)) return true;
    std::string error;
    if (TextoHistorial::Lee(texto, historial, error)) {
        historial.Ordena();
        return true;
    }
    ApartaHistorial(ruta);
    return false;
}

bool Velqor::CargaEstadistica() {
    if (!creado_) return false;
    const std::string ruta = ArchivoEstadistica();
    bool hallado = false;
    std::string error;
    if (MesHistorial::Carga(ruta, estadistica_, hallado, error)) return true;
    ApartaHistorial(ruta);
    return false;
}

void Velqor::AnotaMedicion(const std::string& tabla, const std::string& indice,
                           const Medicion& medicion) {
    // A measurement belongs to the month in which its treatment started.
    estadistica_.Agrega(tabla, indice, medicion);
    if (soloLectura_) return;
    const std::string archivo = ArchivoEstadistica(medicion.inicio);
    diarios_.try_emplace(archivo, archivo).first->second.Anota(tabla, indice, medicion);
}

bool Velqor::HistorialPendiente() const {
    for (const auto& [archivo, diario] : diarios_) {
        if (!diario.Vacio()) return true;
    }
    int32_t atributos = 0;
    return !Utilidades::ExisteArchivo(ArchivoEstadistica(), atributos);
}

void Velqor::GuardaEstadistica(bool* cancelar) {
    if (!creado_ || soloLectura_) return;
    const std::string actual = ArchivoEstadistica();
    diarios_.try_emplace(actual, actual);
    // A report folder that is not there yet is made, so that no measurement is lost to it.
    std::string motivo;
    if (!EnBlanco(rutaEstadistica_)) CreaCarpeta(rutaEstadistica_, motivo);
    const auto noEscrito = [this](const std::string& ruta, std::string porque) {
        // The folder's own reason says most; the write's comes next.
        const std::string motivoCarpeta =
            MotivoNoEscribible(EnBlanco(rutaEstadistica_) ? "." : rutaEstadistica_);
        if (!motivoCarpeta.empty()) porque = motivoCarpeta;
        std::string texto =
            Mensaje("The density history could not be written to |1", {Valor::Texto(ruta)});
        if (!porque.empty()) texto += ": " + porque;
        historialFallidoEn_ = ruta;
        InformaError(0, "", {}, texto, false, archivoCFP_);
    };
    std::error_code ec;
    if (!std::filesystem::is_directory(EnBlanco(rutaEstadistica_) ? "." : rutaEstadistica_, ec)) {
        for (const auto& [archivo, diario] : diarios_) {
            if (archivo == actual || !diario.Vacio()) noEscrito(archivo, motivo);
        }
        return;
    }
    // A cancel (the operator, a stop request) ends the wait for another holder sooner.
    const auto seguir = [this, cancelar] {
        if (cancelar == nullptr) return true;
        if (!*cancelar) Progreso(Mensaje("Waiting for the lock on the report folder"), *cancelar);
        return !*cancelar;
    };
    const CerrojoCarpeta cerrojo(rutaEstadistica_, kEsperaCerrojo, seguir);
    // A stopped run does not wait again when the engine ends.
    detenido_ = detenido_ || (cancelar != nullptr && *cancelar);
    if (!cerrojo.Tomado()) {
        const std::string motivo =
            cerrojo.Como() == CerrojoCarpeta::Resultado::Ocupado
                ? Mensaje("another process held the lock on the report folder |1",
                          {Valor::Texto(rutaEstadistica_)})
                : Mensaje("no lock can be taken on the report folder |1 (|2)",
                          {Valor::Texto(rutaEstadistica_), Valor::Texto(cerrojo.Motivo())});
        for (const auto& [archivo, diario] : diarios_) {
            if (diario.Vacio()) continue;
            RegistraAviso(
                Mensaje("The density history was not merged into |1: |2; its "
                        "measurements stay in the journal |3 for the next pass",
                        {Valor::Texto(archivo), Valor::Texto(motivo), Valor::Texto(diario.Ruta())}),
                archivoCFP_);
        }
        return;
    }
    for (auto& [archivo, diario] : diarios_) {
        errno = 0;
        try {
            HistorialDensidad fusionado;
            LeeHistorial(archivo, fusionado);
            if (MesHistorial::Guarda(archivo, fusionado, diario)) {
                if (historialFallidoEn_ == archivo) historialFallidoEn_.clear();
                continue;
            }
        } catch (const std::exception&) {
            // Reported below like any other failed write.
        }
        noEscrito(archivo, motivo.empty() && errno != 0 ? TextoErrno(errno) : motivo);
    }
    std::erase_if(diarios_, [](const auto& par) { return par.second.Vacio(); });
    bool hallado = false;
    std::string error;
    MesHistorial::Carga(actual, estadistica_, hallado, error);
}

}  // namespace velqor
