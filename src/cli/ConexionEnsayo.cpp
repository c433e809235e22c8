#include "cli/ConexionEnsayo.h"

#include <exception>

#include "common/Texto1252.h"

namespace velqor::cli {
namespace {

bool Empieza(const std::string& texto, std::string_view prefijo) {
    return texto.compare(0, prefijo.size(), prefijo) == 0;
}

// The density a single-index measurement answers, read without moving the result on.
std::optional<double> DensidadLeida(const std::string& mayus, const db::Recordset& rs) {
    try {
        if (rs.EOF()) return std::nullopt;
        if (Empieza(mayus, "DBCC SHOWCONTIG (") && !Empieza(mayus, "DBCC SHOWCONTIG ()")) {
            return rs.Field("ScanDensity").ComoDoble();
        }
        if (Empieza(mayus, "SELECT AVG_FRAGMENTATION_IN_PERCENT FROM")) {
            return 100.0 - rs.Field("avg_fragmentation_in_percent").ComoDoble();
        }
    } catch (const std::exception&) {
        // Not a measurement after all: nothing to note.
    }
    return std::nullopt;
}

// SoloLee over a statement already in upper case.
bool SoloLeeMayusculas(const std::string& mayus) {
    if (Empieza(mayus, "DBCC SHOWCONTIG")) return true;
    return Empieza(mayus, "SELECT ") && mayus.find(" INTO ") == std::string::npos;
}

}  // namespace

ConexionEnsayo::ConexionEnsayo(std::unique_ptr<db::Connection> real,
                               std::vector<SentenciaEnsayada>& diario)
    : real_(std::move(real)), diario_(diario) {}

bool ConexionEnsayo::SoloLee(const std::string& sentencia) {
    return SoloLeeMayusculas(Mayusculas(sentencia));
}

void ConexionEnsayo::SetCommandTimeout(int32_t segundos) { real_->SetCommandTimeout(segundos); }
void ConexionEnsayo::SetConnectionTimeout(int32_t segundos) {
    real_->SetConnectionTimeout(segundos);
}
void ConexionEnsayo::SetWaitHook(db::WaitHook hook) { real_->SetWaitHook(std::move(hook)); }
void ConexionEnsayo::Open(const std::string& cadena, const std::string& usuario,
                          const std::string& clave, int32_t opciones) {
    real_->Open(cadena, usuario, clave, opciones);
}

std::unique_ptr<db::Recordset> ConexionEnsayo::Execute(const std::string& sentencia,
                                                       int32_t opciones) {
    const std::string mayus = Mayusculas(sentencia);
    diario_.push_back({sentencia, SoloLeeMayusculas(mayus), std::nullopt});
    if (!diario_.back().enviada) return nullptr;
    auto rs = real_->Execute(sentencia, opciones);
    if (rs) diario_.back().densidad = DensidadLeida(mayus, *rs);
    return rs;
}

void ConexionEnsayo::Close() { real_->Close(); }
bool ConexionEnsayo::IsOpen() const { return real_->IsOpen(); }
const std::vector<db::ErrorProveedor>& ConexionEnsayo::Errors() const { return real_->Errors(); }

}  // namespace velqor::cli
