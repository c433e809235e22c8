#include "engine/ErrorAtrapado.h"

#include <new>

#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "db/ErroresAdo.h"

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
    return numero == errores::kErrorProveedor || numero == errores::kFalloGeneral ||
           numero == db::ado::kLoginRechazado;
}

void InformaError(int32_t numero, std::string_view descripcion, const db::Connection* conn,
                  std::string_view textoAlternativo, bool silencioso, std::string_view contexto) {
    std::span<const ErrorProveedor> diagnosticos;
    if (conn != nullptr) diagnosticos = conn->Errors();
    InformaError(numero, descripcion, diagnosticos, textoAlternativo, silencioso, contexto);
}

}  // namespace velqor
