#pragma once
// PaginaHistorial: a density history as one self-contained HTML page (inline CSS and SVG, no
// scripts, nothing fetched from the network): one chart per index with the density before and
// after each treatment over the period, and the same figures as a table.

#include <string>
#include <vector>

#include "engine/HistorialDensidad.h"

namespace velqor::cli {

class PaginaHistorial {
  public:
    // The whole page; titulo (the history file's name) heads it. Every name is HTML-escaped.
    static std::string Escribe(const std::vector<FilaHistorial>& filas, const std::string& titulo);
};

// texto with & < > " ' replaced by their character references.
std::string EscapaHtml(const std::string& texto);

}  // namespace velqor::cli
