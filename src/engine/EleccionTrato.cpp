#include "engine/EleccionTrato.h"

namespace velqor {

EleccionTrato EleccionTrato::Para(const Politica& politica, const IndiceEncuestado& indice,
                                  bool enLinea, const Dialecto& dialecto) {
    if (indice.paginas < politica.minPaginas) return {Rama::Pequeno};
    // NaN (no figure) fails every comparison below and is left alone.
    const double fragmentacion = 100.0 - indice.densidad;
    const bool trata =
        politica.reorganizaDesde ? fragmentacion >= *politica.reorganizaDesde : fragmentacion > 0;
    if (!trata) return {Rama::Ligero};
    const bool reconstruye =
        !politica.reconstruyeDesde ? !enLinea : fragmentacion >= *politica.reconstruyeDesde;
    if (!reconstruye) return {Rama::Reorganiza};
    if (!enLinea) return {Rama::Reconstruye};
    return {dialecto.ReconstruyeEnLinea() ? Rama::ReconstruyeEnLinea : Rama::Reorganiza};
}

std::optional<Dialecto::Trato> EleccionTrato::Trato() const {
    switch (rama) {
        case Rama::Reorganiza:
            return Dialecto::Trato::Reorganiza;
        case Rama::Reconstruye:
            return Dialecto::Trato::Reconstruye;
        case Rama::ReconstruyeEnLinea:
            return Dialecto::Trato::ReconstruyeEnLinea;
        case Rama::Pequeno:
        case Rama::Ligero:
            break;
    }
    return std::nullopt;
}

std::string EleccionTrato::Texto(Rama rama) {
    switch (rama) {
        case Rama::Pequeno:
            return "left alone, under MinPages";
        case Rama::Ligero:
            return "left alone, fragmented too little";
        case Rama::Reorganiza:
            return "defragment";
        case Rama::Reconstruye:
            return "rebuild";
        case Rama::ReconstruyeEnLinea:
            return "rebuild on line";
    }
    return {};
}

}  // namespace velqor
