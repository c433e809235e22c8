#include "Estado.h"

#include <algorithm>

namespace velqor::sqlsim {

Estado::Estado(const Escenario& escenario) : esc_(escenario), cuentas_(escenario.fallos.size(), 0) {
    for (const BaseEsc& b : escenario.bases) {
        std::vector<double> d;
        d.reserve(b.indices.size());
        for (const IndiceEsc& i : b.indices) d.push_back(i.densidad);
        densidades_.push_back(std::move(d));
        respaldadas_.push_back(b.respaldada);
        // A database the scenario says was backed up was backed up a day before sqlsim started.
        if (b.respaldada) {
            respaldos_.push_back({respaldadas_.size() - 1, false, false,
                                  std::chrono::system_clock::now() - std::chrono::hours(24)});
        }
        std::vector<int64_t> t;
        for (const ArchivoEsc& a : b.archivos) t.push_back(a.tamMB);
        tamanos_.push_back(std::move(t));
    }
}

std::vector<double> Estado::Densidades(size_t base) const {
    std::lock_guard l(m_);
    return densidades_.at(base);
}

double Estado::Densidad(size_t base, size_t indice) const {
    std::lock_guard l(m_);
    return densidades_.at(base).at(indice);
}

void Estado::FijaDensidad(size_t base, size_t indice, double densidad) {
    std::lock_guard l(m_);
    densidades_.at(base).at(indice) = densidad;
}

bool Estado::Respaldada(size_t base) const {
    std::lock_guard l(m_);
    return respaldadas_.at(base);
}

void Estado::MarcaRespaldada(size_t base) {
    std::lock_guard l(m_);
    respaldadas_.at(base) = true;
}

void Estado::AnotaRespaldo(RespaldoHecho r) {
    std::lock_guard l(m_);
    respaldos_.push_back(r);
}

std::vector<RespaldoHecho> Estado::Respaldos() const {
    std::lock_guard l(m_);
    return respaldos_;
}

int64_t Estado::TamanoMB(size_t base, size_t archivo) const {
    std::lock_guard l(m_);
    return tamanos_.at(base).at(archivo);
}

void Estado::FijaTamanoMB(size_t base, size_t archivo, int64_t mb) {
    std::lock_guard l(m_);
    tamanos_.at(base).at(archivo) = mb;
}

int Estado::BloqueoRestante(size_t base, const std::vector<size_t>& indices) const {
    const auto transcurrido = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - inicio_)
                                  .count();
    const BaseEsc& b = esc_.bases.at(base);
    int resta = 0;
    for (const BloqueoEsc& bloqueo : esc_.bloqueos) {
        if (bloqueo.base != base) continue;
        const bool afecta = std::any_of(indices.begin(), indices.end(), [&](size_t i) {
            return bloqueo.indice ? *bloqueo.indice == i : b.indices.at(i).tabla == bloqueo.tabla;
        });
        if (!afecta) continue;
        if (bloqueo.ms < 0) return -1;
        resta = std::max(resta, static_cast<int>(std::max<int64_t>(0, bloqueo.ms - transcurrido)));
    }
    return resta;
}

void Estado::CuentaConexion() {
    std::lock_guard l(m_);
    ++conexiones_;
}

int64_t Estado::Conexiones() const {
    std::lock_guard l(m_);
    return conexiones_;
}

std::optional<FalloEsc> Estado::Fallo(bool login, const std::string& texto) {
    std::lock_guard l(m_);
    std::optional<FalloEsc> elegido;
    const std::string mayus = Mayus(texto);
    for (size_t k = 0; k < esc_.fallos.size(); ++k) {
        const FalloEsc& f = esc_.fallos[k];
        if (f.enLogin != login) continue;
        const bool coincide = f.regex ? std::regex_search(texto, *f.regex)
                                      : mayus.find(Mayus(f.patron)) != std::string::npos;
        if (!coincide) continue;
        ++cuentas_[k];
        if (!elegido && (f.ocurrencia == 0 || f.ocurrencia == cuentas_[k])) elegido = f;
    }
    return elegido;
}

}  // namespace velqor::sqlsim
