#pragma once
// What statements change while a scenario runs, shared by all connections: index densities,
// backed-up flags, log file sizes and the fault counters. Every operation is thread-safe.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Escenario.h"

namespace velqor::sqlsim {

class Estado {
  public:
    explicit Estado(const Escenario& escenario);

    // A copy of the current densities of database `base` (parallel to BaseEsc::indices).
    std::vector<double> Densidades(size_t base) const;
    double Densidad(size_t base, size_t indice) const;
    void FijaDensidad(size_t base, size_t indice, double densidad);

    bool Respaldada(size_t base) const;
    void MarcaRespaldada(size_t base);

    // Current size of a file in MB.
    int64_t TamanoMB(size_t base, size_t archivo) const;
    void FijaTamanoMB(size_t base, size_t archivo, int64_t mb);

    // Counts this login or statement against every fault that matches it and answers the first
    // fault whose turn it is (or nullopt).
    std::optional<FalloEsc> Fallo(bool login, const std::string& texto);

  private:
    const Escenario& esc_;
    mutable std::mutex m_;
    std::vector<std::vector<double>> densidades_;
    std::vector<bool> respaldadas_;
    std::vector<std::vector<int64_t>> tamanos_;
    std::vector<int> cuentas_;
};

}  // namespace velqor::sqlsim
