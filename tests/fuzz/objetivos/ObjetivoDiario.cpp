#include <algorithm>
#include <string>
#include <string_view>

#include "Objetivos.h"
#include "engine/DiarioHistorial.h"

namespace velqor::fuzz {

int FuzzDiarioHistorial(const uint8_t* datos, size_t largo) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), largo);
    std::size_t descartados = 0;
    const std::vector<AsientoDiario> asientos = DiarioHistorial::Lee(texto, descartados);
    std::size_t lineas = 0;
    for (const char c : texto) lineas += c == '\n' ? 1 : 0;
    const bool cortada = !texto.empty() && texto.back() != '\n';
    Exige(asientos.size() + descartados == lineas + (cortada ? 1 : 0),
          "a line was neither read nor counted as skipped");
    // What was read writes back as lines that read back the same, one record each.
    std::string escrito;
    for (const AsientoDiario& a : asientos) {
        escrito += a.marca ? DiarioHistorial::Marca(a.huella)
                           : DiarioHistorial::Medida(a.tabla, a.indice, a.medicion);
    }
    std::size_t otrosDescartados = 0;
    Exige(DiarioHistorial::Lee(escrito, otrosDescartados) == asientos && otrosDescartados == 0,
          "records written back do not read back the same");
    // A journal cut anywhere keeps every record whose line the cut leaves whole.
    if (!escrito.empty()) {
        const std::string_view antes(escrito.data(), largo % escrito.size());
        const auto completas =
            static_cast<std::size_t>(std::count(antes.begin(), antes.end(), '\n'));
        const auto cortados = DiarioHistorial::Lee(antes, otrosDescartados);
        Exige(cortados.size() == completas &&
                  std::equal(cortados.begin(), cortados.end(), asientos.begin()),
              "a journal cut short lost a record before the cut");
    }
    return 0;
}

}  // namespace velqor::fuzz
