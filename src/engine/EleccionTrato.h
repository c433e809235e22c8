#pragma once
// EleccionTrato: what a pass does with one surveyed index under the definition's policy, and why.
// The pass, the check's counts and the plan all ask it, so they never differ.

#include <optional>
#include <string>

#include "components/Politica.h"
#include "engine/Dialecto.h"
#include "engine/IndiceEncuestado.h"

namespace velqor {

struct EleccionTrato {
    // Why an index is treated as it is, or left alone.
    enum class Rama {
        Pequeno,             // fewer pages than MinPages
        Ligero,              // fragmented less than the policy treats (or without a figure)
        Reorganiza,          // defragmented on line
        Reconstruye,         // rebuilt, users off line
        ReconstruyeEnLinea,  // rebuilt while users work on
    };
    Rama rama = Rama::Ligero;

    // The choice for indice under politica, with users on line (enLinea) or off, on the server of
    // dialecto: under MinPages or under ReorganizeAbove (or perfectly dense) nothing; from
    // RebuildAbove a rebuild, on line only where the dialect can rebuild on line and defragmented
    // where it cannot; in between, or on line without RebuildAbove, a defragmentation.
    static EleccionTrato Para(const Politica& politica, const IndiceEncuestado& indice,
                              bool enLinea, const Dialecto& dialecto);

    // The treatment to give; none when the index is left alone.
    std::optional<Dialecto::Trato> Trato() const;
    // The branch as the check names it ("rebuild on line", "under MinPages", ...).
    static std::string Texto(Rama rama);
};

}  // namespace velqor
