#include "HistorialPrevio.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "CarpetaTemporal.h"
#include "common/Momento.h"
#include "common/ZEVmat3.h"

namespace velqor::prueba {

HistorialPrevio::HistorialPrevio(std::string ruta, bool danado) : ruta_(std::move(ruta)) {
    const Momento inicio = RelojSistema::Instancia().Ahora() - std::chrono::hours(1);
    const Valor medicion = Valor::Matriz({Valor::Doble(37.5), Valor::Fecha(inicio),
                                          Valor::Fecha(inicio + std::chrono::seconds(2)),
                                          Valor::Doble(100), Valor::Logico(true)});
    fila_ = Valor::Matriz({Valor::Texto("Antigua"), Valor::Texto("PK_Antigua"),
                           Valor::Texto("AntiguaPK_Antigua"), Valor::Matriz({medicion})});
    MatrizATexto(Valor::Matriz({Valor::Matriz({fila_})}), bytes_);
    bytes_ += "\r\n";
    // One letter changed: the checksums no longer agree.
    if (danado) bytes_[bytes_.find("Antigua")] = 'B';
    EscribeBytes(ruta_, bytes_);
}

std::string HistorialPrevio::Perdida() const {
    namespace fs = std::filesystem;
    const std::string bytes = LeeBytes(ruta_);
    if (bytes == bytes_) return "";
    // A damaged file is renamed aside rather than overwritten; the earlier text must be there.
    const fs::path carpeta = fs::path(ruta_).parent_path();
    for (const auto& e : fs::directory_iterator(carpeta)) {
        const std::string nombre = e.path().filename().string();
        if (nombre.rfind(fs::path(ruta_).filename().string() + ".damaged-", 0) == 0 &&
            LeeBytes(e.path().string()) == bytes_) {
            return "";
        }
    }
    Valor leido;
    if (!TextoAMatriz(bytes, leido) || !leido.EsMatriz() || leido.ComoLista().size() != 1) {
        return "the history file " + ruta_ + " no longer reads back: " + bytes;
    }
    const Valor& historia = leido.ComoLista().front();
    if (historia.EsMatriz()) {
        for (const Valor& fila : historia.ComoLista()) {
            if (fila == fila_) return "";
        }
    }
    return "the history file " + ruta_ + " lost the earlier row: " + bytes;
}

}  // namespace velqor::prueba
