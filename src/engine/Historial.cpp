// The density history of the month: loaded when the engine is bound, written at the end of each
// pass and when the engine ends. Each write merges with what the file holds at that moment, under
// a lock on its folder, so that engines of other processes (a window left open, a scheduled run)
// never lose each other's measurements. TextoHistorial converts the rows to and from the file's
// text (docs/density-history.md).

#include <cerrno>
#include <exception>
#include <filesystem>
#include <system_error>

#include "common/CarpetaEscribible.h"
#include "common/CerrojoCarpeta.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Utilidades.h"
#include "engine/TextoHistorial.h"
#include "engine/Velqor.h"

namespace velqor {

std::string Velqor::ArchivoEstadistica() const {
    return UneRuta(rutaEstadistica_, Utilidades::NombreParaArchivo(archivoCFP_) + "_" +
                                         Formatea(InicioProceso(), "yyyy_mm") + ".ZEVeri");
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
    // Keep the damaged file beside the new one rather than overwrite it, and say so.
    const std::string apartado = ruta + ".damaged-" + Formatea(reloj_.Ahora(), "yyyymmddhhnnss");
    std::filesystem::rename(ruta, apartado, ec);
    const std::string aviso =
        ec ? Mensaje("The density history file |1 is damaged and could not be set aside as |2: |3",
                     {Valor::Texto(ruta), Valor::Texto(apartado), Valor::Texto(ec.message())})
           : Mensaje("The density history file |1 is damaged; it was kept as |2",
                     {Valor::Texto(ruta), Valor::Texto(apartado)});
    InformaError(0, "", {}, aviso, false, archivoCFP_);
    return false;
}

bool Velqor::CargaEstadistica() {
    if (!creado_) return false;
    const std::string ruta = ArchivoEstadistica();
    const CerrojoCarpeta cerrojo(rutaEstadistica_);
    historialEscritoEn_.clear();
    return LeeHistorial(ruta, estadistica_);
}

void Velqor::GuardaEstadistica() {
    if (!creado_ || soloLectura_) return;
    const std::string ruta = ArchivoEstadistica();
    // A report folder that is not there yet is made, so that no measurement is lost to it.
    std::string motivo;
    if (!EnBlanco(rutaEstadistica_)) CreaCarpeta(rutaEstadistica_, motivo);
    try {
        const CerrojoCarpeta cerrojo(rutaEstadistica_);
        HistorialDensidad fusionado;
        LeeHistorial(ruta, fusionado);
        fusionado.Fusiona(estadistica_);
        std::string texto;
        if (TextoHistorial::Escribe(fusionado, texto)) {
            errno = 0;
            if (GrabaTexto(ruta, texto)) {
                estadistica_ = std::move(fusionado);
                historialEscritoEn_ = ruta;
                historialFallidoEn_.clear();
                return;
            }
            if (motivo.empty() && errno != 0) motivo = TextoErrno(errno);
        }
    } catch (const std::exception&) {
        // Reported below like any other failed write.
    }
    // The folder's own reason says most; the write's comes next.
    const std::string motivoCarpeta =
        MotivoNoEscribible(EnBlanco(rutaEstadistica_) ? "." : rutaEstadistica_);
    if (!motivoCarpeta.empty()) motivo = motivoCarpeta;
    std::string texto =
        Mensaje("The density history could not be written to |1", {Valor::Texto(ruta)});
    if (!motivo.empty()) texto += ": " + motivo;
    historialFallidoEn_ = ruta;
    InformaError(0, "", {}, texto, false, archivoCFP_);
}

}  // namespace velqor
