// The libFuzzer entry of one fuzz program; VELQOR_OBJETIVO names the target's function
// (tests/fuzz/objetivos/Objetivos.h).
#include "Objetivos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    return velqor::fuzz::VELQOR_OBJETIVO(datos, largo);
}
