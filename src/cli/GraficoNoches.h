#pragma once
// GraficoNoches: the overview chart of a history page, as inline SVG: per night, the treatments
// as stacked bars (rebuilds and defragmentations), and the mean density before and after as two
// lines underneath.

#include <string>
#include <vector>

#include "cli/AnalisisHistorial.h"

namespace velqor::cli {

class GraficoNoches {
  public:
    // One <svg> element for noches (oldest first); empty for no nights. Every bar and point
    // carries a <title> with its figures.
    static std::string Escribe(const std::vector<ResumenNoche>& noches);
};

}  // namespace velqor::cli
