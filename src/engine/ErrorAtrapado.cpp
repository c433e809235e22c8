#include "engine/ErrorAtrapado.h"

#include <new>

#include "common/ErrorEjecucion.h"

namespace velqor {

ErrorAtrapado ErrorAtrapado::De(const std::exception& e) {
    if (const auto* propio = dynamic_cast<const ErrorEjecucion*>(&e)) {
        return {propio->Numero(), propio->Descripcion()};
    }
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return {7, "Out of memory"};
    const std::string texto = e.what();
    return {51, texto.empty() ? std::string("Internal error") : "Internal error: " + texto};
}

bool ErrorAtrapado::DelProveedor() const {
    return numero == errores::kErrorProveedor || numero == errores::kFalloGeneral;
}

}  // namespace velqor
