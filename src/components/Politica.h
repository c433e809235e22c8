#pragma once
// Politica: which indexes a maintenance pass treats and how, as a connection definition sets it
// (MinPages, ReorganizeAbove, RebuildAbove, TimeLimit and LockTimeout of docs/cfp-format.md).
// Without any of them a pass treats every index under 100 % scan density, rebuilding it off line
// and defragmenting it on line. The engine's EleccionTrato applies it to each index.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velqor {

struct Politica {
    // An index with fewer pages is left alone.
    int64_t minPaginas = 0;
    // Fragmentation (100 minus the scan density, in percent) from which an index is treated;
    // none: every index with any fragmentation.
    std::optional<double> reorganizaDesde;
    // Fragmentation from which an index is rebuilt (on line where the server can); under it a
    // treated index is defragmented. None: rebuilt when users are off line, defragmented when
    // they are on line.
    std::optional<double> reconstruyeDesde;
    // Seconds after which no further index treatment starts; 0: no limit.
    int32_t limiteSegundos = 0;
    // Seconds an index statement waits for its lock (SET LOCK_TIMEOUT); none: as long as it takes.
    std::optional<int32_t> esperaBloqueo;

    // The values administrators' tools use: MinPages 1000, ReorganizeAbove 5, RebuildAbove 30.
    static Politica Recomendada();

    // Reads the policy's keys through valor (the key's value as written, or none when the
    // definition does not give it; key names as NombresClaves writes them). False, with error
    // holding one sentence that names the key, on a value out of range or not a number, or when
    // ReorganizeAbove is above RebuildAbove; politica is then untouched.
    static bool Lee(
        const std::function<std::optional<std::string>(const std::string& clave)>& valor,
        Politica& politica, std::string& error);
    // The keys this policy sets, in the file's order, each with its value as Lee reads it back.
    std::vector<std::pair<std::string, std::string>> Claves() const;

    // The policy for a person: its keys and values ("MinPages 1000, ReorganizeAbove 5"), or
    // "none: every index under 100 % scan density".
    std::string Texto() const;

    // The key names, as the file writes them.
    static const std::vector<std::string>& NombresClaves();
};

}  // namespace velqor
