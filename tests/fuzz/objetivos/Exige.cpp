#include "Objetivos.h"

namespace velqor::fuzz {

void Exige(bool condicion, const char* que) {
    if (!condicion) throw Incumplimiento(que);
}

}  // namespace velqor::fuzz
