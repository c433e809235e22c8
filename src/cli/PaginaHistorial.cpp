#include "cli/PaginaHistorial.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/ArchivoHistorial.h"
#include "cli/GraficoNoches.h"
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
    "th,td{padding:2px 10px;text-align:left;border-bottom:1px solid #ddd;white-space:nowrap}"
    "td.n{text-align:right}.leyenda span{margin-right:18px}"
    ".antes{color:#c0392b}.despues{color:#1e8449}"
    "svg{display:block;max-width:100%;height:auto}"
    "svg text{font-size:10px;fill:#555}"
    "h3{font-size:1em;margin:22px 0 6px}details.indice{margin:6px 0}"
    "details.indice summary{cursor:pointer}.consejo{margin:10px 0}"
    ".evidencia{color:#555;font-size:.9em}#filtro{font-size:1em;padding:3px 6px;width:22em}"
    "#cuenta{margin-left:12px;color:#555}";

// The filter box: hides the indexes whose table and index name do not hold the text typed (or the
// text after "#filter=" in the page's address), and counts those shown. Nothing is fetched.
const char* const kGuion =
    "(function(){var f=document.getElementById('filtro'),c=document.getElementById('cuenta'),"
    "s=document.querySelectorAll('.indice');"
    "function aplica(){var t=f.value.trim().toLowerCase(),n=0;"
    "s.forEach(function(e){var "
    "v=e.getAttribute('data-nombre').toLowerCase().indexOf(t)>=0;e.hidden=!v;if(v)n++;});"
    "c.textContent=n+' of '+s.length+' indexes shown';}"
    "var h=decodeURIComponent(location.hash.slice(1));"
    "if(h.indexOf('filter=')===0)f.value=h.slice(7);"
    "f.addEventListener('input',aplica);aplica();})();";

// The first second of the month of m, and of the month after it.
Momento InicioMes(Momento m) {
    CamposMomento c = Campos(m);
    return HacerMomento(c.anio, c.mes, 1);
}
Momento InicioMesSiguiente(Momento m) {
    CamposMomento c = Campos(m);
    return c.mes == 12 ? HacerMomento(c.anio + 1, 1, 1) : HacerMomento(c.anio, c.mes + 1, 1);
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
        const std::string y = NumeroSvg(Escala::Y(nivel));
        svg << "<line x1=\"" << kIzquierda << "\" y1=\"" << y << "\" x2=\"" << kAncho - kDerecha
            << "\" y2=\"" << y << "\" stroke=\"#ddd\"/>"
            << "<text x=\"" << kIzquierda - 4 << "\" y=\"" << NumeroSvg(Escala::Y(nivel) + 3)
            << "\" text-anchor=\"end\">" << nivel << "%</text>";
    }
    // A tick on days 1, 8, 15, 22 and 29 of every month in the period.
    for (Momento mes = escala.desde; mes < escala.hasta; mes = InicioMesSiguiente(mes)) {
        CamposMomento c = Campos(mes);
        for (unsigned dia : {1u, 8u, 15u, 22u, 29u}) {
            Momento marca = HacerMomento(c.anio, c.mes, dia);
            if (marca >= InicioMesSiguiente(mes)) break;
            const std::string x = NumeroSvg(escala.X(marca));
            svg << "<line x1=\"" << x << "\" y1=\"" << NumeroSvg(Escala::Y(0)) << "\" x2=\"" << x
                << "\" y2=\"" << NumeroSvg(Escala::Y(0) + 4) << "\" stroke=\"#999\"/>"
                << "<text x=\"" << x << "\" y=\"" << kAlto - 6 << "\" text-anchor=\"middle\">"
                << Formatea(marca, "dd/mm") << "</text>";
        }
    }
}

void Serie(std::ostringstream& svg, const Escala& escala, const std::vector<Medicion>& mediciones,
           bool despues, const char* color) {
    svg << "<polyline fill=\"none\" stroke=\"" << color << "\" stroke-width=\"1.5\" points=\"";
    for (const Medicion& m : mediciones) {
        svg << NumeroSvg(escala.X(m.inicio)) << ','
            << NumeroSvg(Escala::Y(despues ? m.despues : m.antes)) << ' ';
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
        const std::string x = NumeroSvg(escala.X(m.inicio));
        // A rebuild is drawn with filled dots, an on-line defragmentation with hollow ones.
        const char* rellenoAntes = m.bloquear ? "#c0392b" : "#fff";
        const char* rellenoDespues = m.bloquear ? "#1e8449" : "#fff";
        svg << "<g><title>" << Formatea(m.inicio, "yyyy-mm-dd hh:nn:ss") << ": "
            << TextoDensidad(m.antes) << "% to " << TextoDensidad(m.despues) << "% ("
            << (m.bloquear ? "rebuild" : "defrag") << ")</title>"
            << "<line x1=\"" << x << "\" y1=\"" << NumeroSvg(Escala::Y(m.antes)) << "\" x2=\"" << x
            << "\" y2=\"" << NumeroSvg(Escala::Y(m.despues))
            << "\" stroke=\"#aaa\" stroke-dasharray=\"2,2\"/>"
            << "<circle cx=\"" << x << "\" cy=\"" << NumeroSvg(Escala::Y(m.antes))
            << "\" r=\"3.5\" stroke=\"#c0392b\" fill=\"" << rellenoAntes << "\"/>"
            << "<circle cx=\"" << x << "\" cy=\"" << NumeroSvg(Escala::Y(m.despues))
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

std::string NumeroSvg(double v) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.1f", v);
    return texto;
}

namespace {

// A time spent, short: "2 h 05 min", "31 min 54 s", "12 s".
std::string Tiempo(std::chrono::seconds tiempo) {
    const long long s = tiempo.count();
    char texto[48];
    if (s >= 3600) {
        std::snprintf(texto, sizeof texto, "%lld h %02lld min", s / 3600, s % 3600 / 60);
    } else if (s >= 60) {
        std::snprintf(texto, sizeof texto, "%lld min %02lld s", s / 60, s % 60);
    } else {
        std::snprintf(texto, sizeof texto, "%lld s", s);
    }
    return texto;
}

std::string Resumen(const std::vector<ResumenNoche>& noches) {
    int reconstrucciones = 0, desfragmentaciones = 0;
    std::chrono::seconds tiempo{};
    for (const ResumenNoche& n : noches) {
        reconstrucciones += n.reconstrucciones;
        desfragmentaciones += n.desfragmentaciones;
        tiempo += n.tiempo;
    }
    std::ostringstream html;
    html << "<section id=\"resumen\"><h2>Overview</h2>\n<p>" << noches.size()
         << (noches.size() == 1 ? " night" : " nights") << ", "
         << Formatea(noches.front().dia, "yyyy-mm-dd") << " to "
         << Formatea(noches.back().dia, "yyyy-mm-dd") << ": " << reconstrucciones
         << " rebuilds and " << desfragmentaciones << " defragmentations, " << Tiempo(tiempo)
         << " of treatment in all. A night runs from noon to noon.</p>\n"
         << "<p class=\"leyenda\"><span style=\"color:#34495e\">&#9632; rebuilt</span>"
         << "<span style=\"color:#95a5a6\">&#9632; defragmented</span>"
         << "<span class=\"antes\">&#9679; mean density before</span>"
         << "<span class=\"despues\">&#9679; mean density after</span></p>\n"
         << GraficoNoches::Escribe(noches) << '\n'
         << "<details id=\"noches\"><summary>Night by night</summary>"
         << "<table><tr><th>Night</th><th>Indexes treated</th><th>Rebuilt</th>"
            "<th>Defragmented</th><th>Time spent</th><th>First start</th><th>Last end</th>"
            "<th>Before</th><th>After</th></tr>";
    for (const ResumenNoche& n : noches) {
        html << "<tr><td>" << Formatea(n.dia, "yyyy-mm-dd") << "</td><td class=\"n\">" << n.indices
             << "</td><td class=\"n\">" << n.reconstrucciones << "</td><td class=\"n\">"
             << n.desfragmentaciones << "</td><td>" << Tiempo(n.tiempo) << "</td><td>"
             << Formatea(n.desde, "yyyy-mm-dd hh:nn:ss") << "</td><td>"
             << Formatea(n.hasta, "yyyy-mm-dd hh:nn:ss") << "</td><td class=\"n\">"
             << TextoPorciento(n.antes) << "</td><td class=\"n\">" << TextoPorciento(n.despues)
             << "</td></tr>";
    }
    html << "</table></details></section>\n";
    return html.str();
}

std::string Consejos(const AnalisisHistorial& analisis) {
    std::ostringstream html;
    html << "<section id=\"consejos\"><h2>Advice</h2>\n";
    if (analisis.Consejos().empty()) {
        html << "<p>No advice: "
             << (static_cast<int>(analisis.Noches().size()) < AnalisisHistorial::kNochesMinimas
                     ? "the history holds fewer than " +
                           std::to_string(AnalisisHistorial::kNochesMinimas) +
                           " nights, too few to show a pattern."
                     : std::string("no index fragments again every night or gains little from "
                                   "its treatment."))
             << "</p></section>\n";
        return html.str();
    }
    html << "<p>Suggestions only: nothing is changed until you change it.</p>\n<ul>";
    for (const Consejo& c : analisis.Consejos()) {
        html << "<li class=\"consejo\" data-tipo=\"" << NombreConsejo(c.tipo) << "\"><b>"
             << EscapaHtml(c.tabla) << " &middot; " << EscapaHtml(c.indice)
             << "</b>: " << EscapaHtml(c.sugerencia)
             << "<br><span class=\"evidencia\">Evidence: " << EscapaHtml(c.evidencia)
             << "</span></li>\n";
    }
    html << "</ul></section>\n";
    return html.str();
}

}  // namespace

std::string PaginaHistorial::Escribe(const HistorialDensidad& historial,
                                     const AnalisisHistorial& analisis, const std::string& titulo) {
    const std::vector<FilaHistorial>& filas = historial.Filas();
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

    html << Resumen(analisis.Noches()) << Consejos(analisis)
         << "<section id=\"indices\"><h2>Indexes, the most in need first</h2>\n"
         << "<p><input id=\"filtro\" type=\"search\" placeholder=\"Filter by table or index\" "
            "aria-label=\"Filter by table or index\"><span id=\"cuenta\"></span></p>\n"
         << "<p class=\"leyenda\"><span class=\"antes\">&#9679; density before</span>"
         << "<span class=\"despues\">&#9679; density after</span>"
         << "<span>filled: rebuild (off line), hollow: defrag (on line)</span>"
         << "<span>indexes that no advice names are folded</span></p>\n";
    for (const std::size_t f : analisis.OrdenPorNecesidad()) {
        const FilaHistorial& fila = filas[f];
        const std::string nombre = EscapaHtml(fila.tabla) + " &middot; " + EscapaHtml(fila.indice);
        const std::string datos =
            "class=\"indice\" data-nombre=\"" + EscapaHtml(fila.tabla + " " + fila.indice) + "\"";
        const std::string cuerpo = Grafico(fila, escala) + '\n' + Tabla(fila);
        if (analisis.Aconsejado(f)) {
            html << "<section " << datos << "><h3>" << nombre << "</h3>\n"
                 << cuerpo << "</section>\n";
        } else {
            html << "<details " << datos << "><summary>" << nombre << " (" << fila.mediciones.size()
                 << (fila.mediciones.size() == 1 ? " treatment" : " treatments") << ")</summary>\n"
                 << cuerpo << "</details>\n";
        }
    }
    html << "</section>\n<script>" << kGuion << "</script>\n</body></html>\n";
    return html.str();
}

}  // namespace velqor::cli
