#include "cli/PaginaHistorial.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/ArchivoHistorial.h"
#include "common/Momento.h"

namespace velqor::cli {

namespace {

// Chart geometry, in SVG user units.
constexpr double kAncho = 640, kAlto = 180;
constexpr double kIzquierda = 40, kDerecha = 12, kArriba = 10, kAbajo = 24;

const char* const kEstilo =
    "body{font-family:system-ui,sans-serif;margin:24px;color:#222;background:#fff}"
    "h1{font-size:1.3em}h2{font-size:1.05em;margin:28px 0 6px}"
    "table{border-collapse:collapse;font-size:.9em;margin-top:6px}"
    "th,td{padding:2px 10px;text-align:left;border-bottom:1px solid #ddd}"
    "td.n{text-align:right}.leyenda span{margin-right:18px}"
    ".antes{color:#c0392b}.despues{color:#1e8449}"
    "svg{display:block;max-width:100%;height:auto}"
    "svg text{font-size:10px;fill:#555}";

// The first second of the month of m, and of the month after it.
Momento InicioMes(Momento m) {
    CamposMomento c = Campos(m);
    return HacerMomento(c.anio, c.mes, 1);
}
Momento InicioMesSiguiente(Momento m) {
    CamposMomento c = Campos(m);
    return c.mes == 12 ? HacerMomento(c.anio + 1, 1, 1) : HacerMomento(c.anio, c.mes + 1, 1);
}

std::string Numero(double v) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.1f", v);
    return texto;
}

// Maps times and densities to chart coordinates; the period is shared by every chart.
struct Escala {
    Momento desde, hasta;
    double X(Momento m) const {
        const double total = static_cast<double>((hasta - desde).count());
        const double parte = static_cast<double>((m - desde).count());
        return kIzquierda + (kAncho - kIzquierda - kDerecha) * (total > 0 ? parte / total : 0);
    }
    static double Y(double densidad) {
        const double d = std::clamp(densidad, 0.0, 100.0);
        return kArriba + (kAlto - kArriba - kAbajo) * (1 - d / 100);
    }
};

void Ejes(std::ostringstream& svg, const Escala& escala) {
    for (int nivel : {0, 50, 100}) {
        const std::string y = Numero(Escala::Y(nivel));
        svg << "<line x1=\"" << kIzquierda << "\" y1=\"" << y << "\" x2=\"" << kAncho - kDerecha
            << "\" y2=\"" << y << "\" stroke=\"#ddd\"/>"
            << "<text x=\"" << kIzquierda - 4 << "\" y=\"" << Numero(Escala::Y(nivel) + 3)
            << "\" text-anchor=\"end\">" << nivel << "%</text>";
    }
    // A tick on days 1, 8, 15, 22 and 29 of every month in the period.
    for (Momento mes = escala.desde; mes < escala.hasta; mes = InicioMesSiguiente(mes)) {
        CamposMomento c = Campos(mes);
        for (unsigned dia : {1u, 8u, 15u, 22u, 29u}) {
            Momento marca = HacerMomento(c.anio, c.mes, dia);
            if (marca >= InicioMesSiguiente(mes)) break;
            const std::string x = Numero(escala.X(marca));
            svg << "<line x1=\"" << x << "\" y1=\"" << Numero(Escala::Y(0)) << "\" x2=\"" << x
                << "\" y2=\"" << Numero(Escala::Y(0) + 4) << "\" stroke=\"#999\"/>"
                << "<text x=\"" << x << "\" y=\"" << kAlto - 6 << "\" text-anchor=\"middle\">"
                << Formatea(marca, "dd/mm") << "</text>";
        }
    }
}

void Serie(std::ostringstream& svg, const Escala& escala, const std::vector<Medicion>& mediciones,
           bool despues, const char* color) {
    svg << "<polyline fill=\"none\" stroke=\"" << color << "\" stroke-width=\"1.5\" points=\"";
    for (const Medicion& m : mediciones) {
        svg << Numero(escala.X(m.inicio)) << ',' << Numero(Escala::Y(despues ? m.despues : m.antes))
            << ' ';
    }
    svg << "\"/>";
}

std::string Grafico(const FilaHistorial& fila, const Escala& escala) {
    std::vector<Medicion> mediciones = fila.mediciones;
    std::stable_sort(mediciones.begin(), mediciones.end(),
                     [](const Medicion& a, const Medicion& b) { return a.inicio < b.inicio; });
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " << kAncho << ' ' << kAlto
        << "\" width=\"" << kAncho << "\" height=\"" << kAlto << "\" role=\"img\" aria-label=\""
        << EscapaHtml(fila.tabla + " " + fila.indice) << "\">";
    Ejes(svg, escala);
    Serie(svg, escala, mediciones, false, "#c0392b");
    Serie(svg, escala, mediciones, true, "#1e8449");
    for (const Medicion& m : mediciones) {
        const std::string x = Numero(escala.X(m.inicio));
        // A rebuild is drawn with filled dots, an on-line defragmentation with hollow ones.
        const char* rellenoAntes = m.bloquear ? "#c0392b" : "#fff";
        const char* rellenoDespues = m.bloquear ? "#1e8449" : "#fff";
        svg << "<g><title>" << Formatea(m.inicio, "yyyy-mm-dd hh:nn:ss") << ": "
            << TextoDensidad(m.antes) << "% to " << TextoDensidad(m.despues) << "% ("
            << (m.bloquear ? "rebuild" : "defrag") << ")</title>"
            << "<line x1=\"" << x << "\" y1=\"" << Numero(Escala::Y(m.antes)) << "\" x2=\"" << x
            << "\" y2=\"" << Numero(Escala::Y(m.despues))
            << "\" stroke=\"#aaa\" stroke-dasharray=\"2,2\"/>"
            << "<circle cx=\"" << x << "\" cy=\"" << Numero(Escala::Y(m.antes))
            << "\" r=\"3.5\" stroke=\"#c0392b\" fill=\"" << rellenoAntes << "\"/>"
            << "<circle cx=\"" << x << "\" cy=\"" << Numero(Escala::Y(m.despues))
            << "\" r=\"3.5\" stroke=\"#1e8449\" fill=\"" << rellenoDespues << "\"/></g>";
    }
    svg << "</svg>";
    return svg.str();
}

std::string Tabla(const FilaHistorial& fila) {
    std::ostringstream html;
    html << "<table><tr><th>Start</th><th>End</th><th>Before</th><th>After</th><th>Treatment</th></"
            "tr>";
    for (const Medicion& m : fila.mediciones) {
        html << "<tr><td>" << Formatea(m.inicio, "yyyy-mm-dd hh:nn:ss") << "</td><td>"
             << Formatea(m.fin, "yyyy-mm-dd hh:nn:ss") << "</td><td class=\"n\">"
             << TextoDensidad(m.antes) << "</td><td class=\"n\">" << TextoDensidad(m.despues)
             << "</td><td>" << (m.bloquear ? "rebuild" : "defrag") << "</td></tr>";
    }
    html << "</table>";
    return html.str();
}

}  // namespace

std::string EscapaHtml(const std::string& texto) {
    std::string escapado;
    escapado.reserve(texto.size());
    for (char c : texto) {
        switch (c) {
            case '&':
                escapado += "&amp;";
                break;
            case '<':
                escapado += "&lt;";
                break;
            case '>':
                escapado += "&gt;";
                break;
            case '"':
                escapado += "&quot;";
                break;
            case '\'':
                escapado += "&#39;";
                break;
            default:
                escapado += c;
        }
    }
    return escapado;
}

std::string PaginaHistorial::Escribe(const std::vector<FilaHistorial>& filas,
                                     const std::string& titulo) {
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         << "<title>Density history " << EscapaHtml(titulo) << "</title><style>" << kEstilo
         << "</style></head><body>\n<h1>Density history " << EscapaHtml(titulo) << "</h1>\n";

    bool hayMediciones = false;
    Escala escala{};
    for (const FilaHistorial& fila : filas) {
        for (const Medicion& m : fila.mediciones) {
            if (!hayMediciones || m.inicio < escala.desde) escala.desde = m.inicio;
            if (!hayMediciones || m.inicio > escala.hasta) escala.hasta = m.inicio;
            hayMediciones = true;
        }
    }
    if (!hayMediciones) {
        html << "<p>No index was treated in this period.</p>\n</body></html>\n";
        return html.str();
    }
    escala.desde = InicioMes(escala.desde);
    escala.hasta = InicioMesSiguiente(escala.hasta);

    html << "<p class=\"leyenda\"><span class=\"antes\">&#9679; density before</span>"
         << "<span class=\"despues\">&#9679; density after</span>"
         << "<span>filled: rebuild (off line), hollow: defrag (on line)</span></p>\n";
    for (const FilaHistorial& fila : filas) {
        html << "<section><h2>" << EscapaHtml(fila.tabla) << " &middot; " << EscapaHtml(fila.indice)
             << "</h2>\n"
             << Grafico(fila, escala) << '\n'
             << Tabla(fila) << "</section>\n";
    }
    html << "</body></html>\n";
    return html.str();
}

}  // namespace velqor::cli
