#pragma once
// What statements change while a scenario runs, shared by all connections: index densities,
// backed-up flags, log file sizes and the fault counters. Every operation is thread-safe.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Escenario.h"

namespace velqor::sqlsim {

// One backup taken since sqlsim started (or the one a scenario says exists), as msdb shows it.
struct RespaldoHecho {
    size_t base = 0;
    bool log = false;
    bool conChecksum = false;
    std::chrono::system_clock::time_point fin;
};

class Estado {
  public:
    explicit Estado(const Escenario& escenario);

    // A copy of the current densities of database `base` (parallel to BaseEsc::indices).
    std::vector<double> Densidades(size_t base) const;
    double Densidad(size_t base, size_t indice) const;
    void FijaDensidad(size_t base, size_t indice, double densidad);

    bool Respaldada(size_t base) const;
    void MarcaRespaldada(size_t base);

    // Records a backup that was written; a copy of every backup recorded, oldest first.
    void AnotaRespaldo(RespaldoHecho r);
    std::vector<RespaldoHecho> Respaldos() const;

    // Current size of a file in MB.
    int64_t TamanoMB(size_t base, size_t archivo) const;
    void FijaTamanoMB(size_t base, size_t archivo, int64_t mb);

    // How long other sessions still hold a lock on any of these indexes of database `base`
    // (positions in BaseEsc::indices): 0 when none is held, -1 when one is held for the whole run,
    // otherwise the milliseconds until the last of them is released.
    int BloqueoRestante(size_t base, const std::vector<size_t>& indices) const;

    // Counts a connection attempt; the attempts since sqlsim started (@@CONNECTIONS).
    void CuentaConexion();
    int64_t Conexiones() const;

    // Counts this login or statement against every fault that matches it and answers the first
    // fault whose turn it is (or nullopt).
    std::optional<FalloEsc> Fallo(bool login, const std::string& texto);

  private:
    const Escenario& esc_;
    const std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
    mutable std::mutex m_;
    std::vector<std::vector<double>> densidades_;
    std::vector<bool> respaldadas_;
    std::vector<RespaldoHecho> respaldos_;
    std::vector<std::vector<int64_t>> tamanos_;
    std::vector<int> cuentas_;
    int64_t conexiones_ = 0;
};

}  // namespace velqor::sqlsim
