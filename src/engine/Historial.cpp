// The density history of the month: loaded when the engine is bound, written back when it ends.
// The file holds the array text of a one-entry list whose entry is the history
// (docs/array-text.md).

#include <exception>
#include <filesystem>
#include <system_error>

#include "common/General.h"
#include "common/Proceso.h"
#include "common/ZEVmat3.h"
#include "components/Matrices.h"
#include "components/Utilidades.h"
#include "engine/Velqor.h"

namespace velqor {

std::string Velqor::ArchivoEstadistica() const {
    return UneRuta(rutaEstadistica_, Utilidades::NombreParaArchivo(archivoCFP_) + "_" +
                                         Formatea(InicioProceso(), "yyyy_mm") + ".ZEVeri");
}

bool Velqor::CargaEstadistica() {
    if (!creado_) return false;
    estadistica_ = Valor();
    const std::string ruta = ArchivoEstadistica();
    int32_t atributos = 0;
    const bool existe = Utilidades::ExisteArchivo(ruta, atributos);
    const std::string texto = existe ? LeeTexto(ruta) : std::string();
    std::error_code ec;
    // A file that holds bytes but reads as nothing could not be read: keep it like a damaged one.
    if (texto.empty() && (!existe || std::filesystem::file_size(ruta, ec) == 0 || ec)) return true;
    try {
        Valor leido;
        if (TextoAMatriz(texto, leido) && leido.EsMatriz() && leido.ComoLista().size() == 1) {
            Valor historia = leido.ComoLista().front();
            if (historia.EsVacio() || historia.EsMatriz()) {
                Matrices::Ordena(historia, -1, 2, -1);
                estadistica_ = std::move(historia);
                return true;
            }
        }
    } catch (const std::exception&) {
        // Rows of an unexpected shape: the file is treated as damaged below.
    }
    // Keep the damaged file beside the new one rather than overwrite it when the engine ends.
    const std::string apartado = ruta + ".damaged-" + Formatea(reloj_.Ahora(), "yyyymmddhhnnss");
    std::filesystem::rename(ruta, apartado, ec);
    if (ec) {
        InformaError(
            0, "", nullptr,
            Mensaje("The density history file |1 is damaged and could not be set aside as |2: |3",
                    {Valor::Texto(ruta), Valor::Texto(apartado), Valor::Texto(ec.message())}),
            false, archivoCFP_);
    }
    return false;
}

void Velqor::GuardaEstadistica() {
    if (!creado_) return;
    const std::string ruta = ArchivoEstadistica();
    std::string texto;
    if (MatrizATexto(Valor::Matriz({estadistica_}), texto) && GrabaTexto(ruta, texto)) return;
    InformaError(0, "", nullptr,
                 Mensaje("The density history could not be written to |1", {Valor::Texto(ruta)}),
                 false, archivoCFP_);
}

}  // namespace velqor
