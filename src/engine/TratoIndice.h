#pragma once
// What a treatment does to an index: rebuild it (users off line), rebuild it while users work on
// (only where the server's dialect can, Dialecto::ReconstruyeEnLinea) or reorganize it on line.

namespace velqor {

enum class TratoIndice { Reconstruye, ReconstruyeEnLinea, Reorganiza };

}  // namespace velqor
