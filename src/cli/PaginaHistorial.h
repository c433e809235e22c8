#pragma once
// PaginaHistorial: a density history as one self-contained HTML page (inline CSS, SVG and one
// short script, nothing fetched from the network): an overview of the nights with its chart, the
// advice with its evidence, then one chart and table per index, the most in need first, with a
// filter box; the indexes that no advice names are folded.

#include <string>
#include <vector>

#include "cli/AnalisisHistorial.h"
#include "engine/HistorialDensidad.h"

namespace velqor::cli {

class PaginaHistorial {
  public:
    // The whole page of historial as analisis (made from the same history) sees it; titulo (the
    // history files' names) heads it. Every name is HTML-escaped.
    static std::string Escribe(const HistorialDensidad& historial,
                               const AnalisisHistorial& analisis, const std::string& titulo);
};

// texto with & < > " ' replaced by their character references.
std::string EscapaHtml(const std::string& texto);

// A coordinate for SVG: one decimal.
std::string NumeroSvg(double v);

}  // namespace velqor::cli
