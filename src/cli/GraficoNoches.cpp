#include "cli/GraficoNoches.h"

#include <algorithm>
#include <sstream>

#include "cli/ArchivoHistorial.h"
#include "cli/PaginaHistorial.h"

namespace velqor::cli {

namespace {

// Geometry, in SVG user units: the bars above, the densities below, the dates at the bottom.
constexpr double kAncho = 640, kAlto = 250;
constexpr double kIzquierda = 40, kDerecha = 12;
constexpr double kBarrasArriba = 10, kBarrasAbajo = 100;
constexpr double kDensidadArriba = 120, kDensidadAbajo = 220;

double YDensidad(double densidad) {
    const double d = std::clamp(densidad, 0.0, 100.0);
    return kDensidadArriba + (kDensidadAbajo - kDensidadArriba) * (1 - d / 100);
}

void Linea(std::ostringstream& svg, const std::vector<ResumenNoche>& noches, double paso,
           bool despues, const char* color) {
    svg << "<polyline fill=\"none\" stroke=\"" << color << "\" stroke-width=\"1.5\" points=\"";
    for (std::size_t k = 0; k < noches.size(); ++k) {
        const auto& densidad = despues ? noches[k].despues : noches[k].antes;
        if (densidad) {
            svg << NumeroSvg(kIzquierda + paso * (k + 0.5)) << ','
                << NumeroSvg(YDensidad(*densidad)) << ' ';
        }
    }
    svg << "\"/>";
}

}  // namespace

std::string GraficoNoches::Escribe(const std::vector<ResumenNoche>& noches) {
    if (noches.empty()) return {};
    int mayor = 1;
    for (const ResumenNoche& n : noches) {
        mayor = std::max(mayor, n.reconstrucciones + n.desfragmentaciones);
    }
    const double paso = (kAncho - kIzquierda - kDerecha) / static_cast<double>(noches.size());
    const double alto = kBarrasAbajo - kBarrasArriba;
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << kAncho << ' ' << kAlto
        << "\" width=\"" << kAncho << "\" height=\"" << kAlto
        << "\" role=\"img\" aria-label=\"Treatments and mean density per night\">";
    svg << "<text x=\"" << kIzquierda - 4 << "\" y=\"" << kBarrasArriba + 8
        << "\" text-anchor=\"end\">" << mayor << "</text>"
        << "<line x1=\"" << kIzquierda << "\" y1=\"" << kBarrasAbajo << "\" x2=\""
        << kAncho - kDerecha << "\" y2=\"" << kBarrasAbajo << "\" stroke=\"#999\"/>";
    for (int nivel : {0, 50, 100}) {
        const std::string y = NumeroSvg(YDensidad(nivel));
        svg << "<line x1=\"" << kIzquierda << "\" y1=\"" << y << "\" x2=\"" << kAncho - kDerecha
            << "\" y2=\"" << y << "\" stroke=\"#ddd\"/><text x=\"" << kIzquierda - 4 << "\" y=\""
            << NumeroSvg(YDensidad(nivel) + 3) << "\" text-anchor=\"end\">" << nivel << "%</text>";
    }
    // At most about 16 date labels, evenly spaced.
    const std::size_t cadaCuantas = (noches.size() + 15) / 16;
    for (std::size_t k = 0; k < noches.size(); ++k) {
        const ResumenNoche& n = noches[k];
        const double x = kIzquierda + paso * k + paso * 0.15, ancho = paso * 0.7;
        const double hReconstruir = alto * n.reconstrucciones / mayor;
        const double hDesfragmentar = alto * n.desfragmentaciones / mayor;
        svg << "<g class=\"noche\"><title>Night of " << Formatea(n.dia, "yyyy-mm-dd") << ": "
            << n.indices << " indexes treated, " << n.reconstrucciones << " rebuilt, "
            << n.desfragmentaciones << " defragmented; density " << TextoPorciento(n.antes)
            << " before, " << TextoPorciento(n.despues) << " after on average</title>"
            << "<rect x=\"" << NumeroSvg(x) << "\" y=\"" << NumeroSvg(kBarrasAbajo - hReconstruir)
            << "\" width=\"" << NumeroSvg(ancho) << "\" height=\"" << NumeroSvg(hReconstruir)
            << "\" fill=\"#34495e\"/>"
            << "<rect x=\"" << NumeroSvg(x) << "\" y=\""
            << NumeroSvg(kBarrasAbajo - hReconstruir - hDesfragmentar) << "\" width=\""
            << NumeroSvg(ancho) << "\" height=\"" << NumeroSvg(hDesfragmentar)
            << "\" fill=\"#95a5a6\"/></g>";
        if (k % cadaCuantas == 0) {
            svg << "<text x=\"" << NumeroSvg(kIzquierda + paso * (k + 0.5)) << "\" y=\""
                << kAlto - 12 << "\" text-anchor=\"middle\">" << Formatea(n.dia, "dd/mm")
                << "</text>";
        }
    }
    Linea(svg, noches, paso, false, "#c0392b");
    Linea(svg, noches, paso, true, "#1e8449");
    svg << "</svg>";
    return svg.str();
}

}  // namespace velqor::cli
