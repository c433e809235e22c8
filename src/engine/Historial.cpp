// The density history of the month: loaded when the engine is bound, written at the end of each
// pass and when the engine ends. Each write merges with what the file holds at that moment, under
// a lock on its folder, so that engines of other processes (a window left open, a scheduled run)
// never lose each other's measurements. The file holds the array text of a one-entry list whose
// entry is the history (docs/array-text.md).

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "common/CerrojoCarpeta.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "common/ZEVmat3.h"
#include "components/Matrices.h"
#include "components/Utilidades.h"
#include "engine/Velqor.h"

namespace velqor {

namespace {

constexpr int32_t kClave = 2;
constexpr int32_t kMediciones = 3;

// One measurement is another's copy when it treated the same index at the same moments the same
// way: a treatment is never repeated within the same second.
bool MismaMedicion(const Valor& a, const Valor& b) {
    const Lista& x = a.ComoLista();
    const Lista& y = b.ComoLista();
    return x.size() == y.size() && x.size() > 4 && x[1] == y[1] && x[2] == y[2] && x[4] == y[4];
}

// Adds to destino the rows and measurements of origen it lacks; the measurements of each row stay
// oldest first. Rows are found by their key through an index, so a merge stays linear in the rows.
void Fusiona(Valor& destino, const Valor& origen) {
    if (!origen.EsMatriz()) return;
    std::unordered_map<std::string, std::size_t> filas;
    if (destino.EsMatriz()) {
        const Lista& existentes = destino.ComoLista();
        for (std::size_t i = 0; i < existentes.size(); ++i) {
            filas.emplace(existentes[i].ComoLista().at(kClave).ComoTexto(), i);
        }
    }
    for (const Valor& fila : origen.ComoLista()) {
        const Lista& campos = fila.ComoLista();
        const std::string& clave = campos.at(kClave).ComoTexto();
        const auto hallada = filas.find(clave);
        if (hallada == filas.end()) {
            Matrices::Agrega(destino, fila);
            filas.emplace(clave, destino.ComoLista().size() - 1);
            continue;
        }
        Valor& mediciones = destino.ComoLista()[hallada->second].ComoLista().at(kMediciones);
        bool agregada = false;
        for (const Valor& medicion : campos.at(kMediciones).ComoLista()) {
            const bool yaEsta =
                mediciones.EsMatriz() &&
                std::any_of(mediciones.ComoLista().begin(), mediciones.ComoLista().end(),
                            [&](const Valor& m) { return MismaMedicion(m, medicion); });
            if (yaEsta) continue;
            Matrices::Agrega(mediciones, medicion);
            agregada = true;
        }
        if (agregada) {
            std::stable_sort(mediciones.ComoLista().begin(), mediciones.ComoLista().end(),
                             [](const Valor& a, const Valor& b) {
                                 return a.ComoLista().at(1).ComoFecha() <
                                        b.ComoLista().at(1).ComoFecha();
                             });
        }
    }
    Matrices::Ordena(destino, -1, kClave, -1);
}

}  // namespace

std::string Velqor::ArchivoEstadistica() const {
    return UneRuta(rutaEstadistica_, Utilidades::NombreParaArchivo(archivoCFP_) + "_" +
                                         Formatea(InicioProceso(), "yyyy_mm") + ".ZEVeri");
}

bool Velqor::LeeHistorial(const std::string& ruta, Valor& historia) {
    historia = Valor();
    int32_t atributos = 0;
    const bool existe = Utilidades::ExisteArchivo(ruta, atributos);
    const std::string texto = existe ? LeeTexto(ruta) : std::string();
    std::error_code ec;
    // A file that holds bytes but reads as nothing could not be read: keep it like a damaged one.
    if (texto.empty() && (!existe || std::filesystem::file_size(ruta, ec) == 0 || ec)) return true;
    try {
        Valor leido;
        if (TextoAMatriz(texto, leido) && leido.EsMatriz() && leido.ComoLista().size() == 1) {
            Valor leida = leido.ComoLista().front();
            if (leida.EsVacio() || leida.EsMatriz()) {
                Matrices::Ordena(leida, -1, kClave, -1);
                historia = std::move(leida);
                return true;
            }
        }
    } catch (const std::exception&) {
        // Rows of an unexpected shape: the file is treated as damaged below.
    }
    // Keep the damaged file beside the new one rather than overwrite it, and say so.
    const std::string apartado = ruta + ".damaged-" + Formatea(reloj_.Ahora(), "yyyymmddhhnnss");
    std::filesystem::rename(ruta, apartado, ec);
    const std::string aviso =
        ec ? Mensaje("The density history file |1 is damaged and could not be set aside as |2: |3",
                     {Valor::Texto(ruta), Valor::Texto(apartado), Valor::Texto(ec.message())})
           : Mensaje("The density history file |1 is damaged; it was kept as |2",
                     {Valor::Texto(ruta), Valor::Texto(apartado)});
    InformaError(0, "", nullptr, aviso, false, archivoCFP_);
    return false;
}

bool Velqor::CargaEstadistica() {
    if (!creado_) return false;
    const std::string ruta = ArchivoEstadistica();
    const CerrojoCarpeta cerrojo(rutaEstadistica_);
    historiaEscritaEn_.clear();
    return LeeHistorial(ruta, estadistica_);
}

void Velqor::GuardaEstadistica() {
    if (!creado_ || soloLectura_) return;
    const std::string ruta = ArchivoEstadistica();
    try {
        const CerrojoCarpeta cerrojo(rutaEstadistica_);
        Valor fusionada;
        LeeHistorial(ruta, fusionada);
        Fusiona(fusionada, estadistica_);
        std::string texto;
        if (MatrizATexto(Valor::Matriz({fusionada}), texto) && GrabaTexto(ruta, texto)) {
            estadistica_ = std::move(fusionada);
            historiaEscritaEn_ = ruta;
            return;
        }
    } catch (const std::exception&) {
        // Reported below like any other failed write.
    }
    InformaError(0, "", nullptr,
                 Mensaje("The density history could not be written to |1", {Valor::Texto(ruta)}),
                 false, archivoCFP_);
}

}  // namespace velqor
