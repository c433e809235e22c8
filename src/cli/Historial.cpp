#include "cli/Historial.h"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <nlohmann/json.hpp>

#include "cli/AnalisisHistorial.h"
#include "cli/ArchivoHistorial.h"
#include "cli/PaginaHistorial.h"
#include "common/Archivo.h"
#include "engine/Velqor.h"

namespace velqor::cli {

namespace {

void EscribeTabla(const std::vector<FilaHistorial>& filas, std::ostream& salida) {
    if (filas.empty()) {
        salida << "No index was treated in this period.\n";
        return;
    }
    for (const FilaHistorial& fila : filas) {
        salida << "Table " << fila.tabla << ", index " << fila.indice << '\n'
               << "  Start                End                  Before   After  Treatment\n";
        for (const Medicion& m : fila.mediciones) {
            salida << "  " << Formatea(m.inicio, "yyyy-mm-dd hh:nn:ss") << "  "
                   << Formatea(m.fin, "yyyy-mm-dd hh:nn:ss") << "  " << std::setw(6)
                   << TextoDensidad(m.antes) << "  " << std::setw(6) << TextoDensidad(m.despues)
                   << "  " << (m.bloquear ? "rebuild" : "defrag") << '\n';
        }
    }
}

void EscribeConsejos(const AnalisisHistorial& analisis, std::ostream& salida) {
    if (analisis.Consejos().empty()) return;
    salida << "\nAdvice (suggestions only; nothing is changed):\n";
    for (const Consejo& c : analisis.Consejos()) {
        salida << "- Table " << c.tabla << ", index " << c.indice << ": " << c.sugerencia << '\n'
               << "  Evidence: " << c.evidencia << '\n';
    }
}

nlohmann::json Opcional(const std::optional<double>& valor) {
    return valor ? nlohmann::json(*valor) : nlohmann::json(nullptr);
}

nlohmann::json JsonAnalisis(const AnalisisHistorial& analisis) {
    nlohmann::json noches = nlohmann::json::array();
    for (const ResumenNoche& n : analisis.Noches()) {
        noches.push_back({{"night", Formatea(n.dia, "yyyy-mm-dd")},
                          {"indexesTreated", n.indices},
                          {"rebuilt", n.reconstrucciones},
                          {"defragmented", n.desfragmentaciones},
                          {"seconds", n.tiempo.count()},
                          {"firstStart", Formatea(n.desde, "yyyy-mm-dd hh:nn:ss")},
                          {"lastEnd", Formatea(n.hasta, "yyyy-mm-dd hh:nn:ss")},
                          {"meanDensityBefore", Opcional(n.antes)},
                          {"meanDensityAfter", Opcional(n.despues)}});
    }
    nlohmann::json consejos = nlohmann::json::array();
    for (const Consejo& c : analisis.Consejos()) {
        nlohmann::json consejo = {{"kind", NombreConsejo(c.tipo)},
                                  {"table", c.tabla},
                                  {"index", c.indice},
                                  {"advice", c.sugerencia},
                                  {"evidence", c.evidencia},
                                  {"nights", c.noches},
                                  {"nightsTreated", c.nochesTratado},
                                  {"nightsWithANextNight", c.seguidas},
                                  {"fragmentedAgainByTheNextNight", c.recaidas},
                                  {"meanDensityBefore", Opcional(c.antes)},
                                  {"meanDensityAfter", Opcional(c.despues)},
                                  {"meanDensityTheNextNight", Opcional(c.antesSiguiente)}};
        if (c.tipo == TipoConsejo::FactorRelleno) consejo["fillFactor"] = c.factorRelleno;
        consejos.push_back(consejo);
    }
    return {{"overview", noches}, {"advice", consejos}};
}

nlohmann::json Json(const std::vector<FilaHistorial>& filas) {
    nlohmann::json indices = nlohmann::json::array();
    for (const FilaHistorial& fila : filas) {
        nlohmann::json mediciones = nlohmann::json::array();
        for (const Medicion& m : fila.mediciones) {
            mediciones.push_back({{"start", Formatea(m.inicio, "yyyy-mm-dd hh:nn:ss")},
                                  {"end", Formatea(m.fin, "yyyy-mm-dd hh:nn:ss")},
                                  {"densityBefore", m.antes},
                                  {"densityAfter", m.despues},
                                  {"treatment", m.bloquear ? "rebuild" : "defrag"}});
        }
        indices.push_back(
            {{"table", fila.tabla}, {"index", fila.indice}, {"measurements", mediciones}});
    }
    return indices;
}

}  // namespace

std::string Historial::Resumen() const {
    return "Print density history months (.ZEVeri) with advice, optionally as an HTML page.";
}

std::string Historial::Ayuda() const {
    return "Usage: velqor-config history FILE.ZEVeri|FOLDER... [--html OUT.html [--force]] "
           "[--json]\n"
           "\n"
           "Prints the density history that the maintenance pass keeps in the report folder, one\n"
           "file per connection definition and month (NAME_yyyy_mm.ZEVeri): for each index its\n"
           "table and name, then one line per treatment with its start, end, scan density before\n"
           "and after (percent) and whether it was rebuilt or defragmented. Several files, or a\n"
           "folder (every month file of one definition in it), are read as one history. Then "
           "comes\n"
           "the advice that the nights show (a night runs from noon to noon; advice needs at "
           "least\n"
           "three nights): indexes that fragment again by the next night (a lower fill factor),\n"
           "indexes that gain little from their treatment (a maintenance policy), small indexes\n"
           "treated every night (MinPages). Advice changes nothing. A damaged file is an error.\n"
           "\n"
           "Options:\n"
           "  --html OUT.html   also write a self-contained page: the nights' overview and chart,\n"
           "                    the advice, and one chart per index, the most in need first\n"
           "  --force           replace OUT.html when it exists\n"
           "  --json            print the overview, the advice and the history as one JSON object\n"
           "  --help            show this help\n";
}

int Historial::Corre(const Argumentos& argumentos, Consola& consola) const {
    const std::vector<std::string>& rutas = argumentos.Posicionales();
    if (rutas.empty()) return MalUso(consola, "expected FILE.ZEVeri or FOLDER");
    const auto html = argumentos.Valor("html");
    if (html) {
        if (html->empty()) return MalUso(consola, "option --html needs a file name");
        std::error_code ec;
        for (const std::string& ruta : rutas) {
            if (std::filesystem::equivalent(ruta, *html, ec)) {
                return MalUso(consola, "--html must name another file than the history");
            }
        }
        // A link planted at OUT counts as a file there, even when it points nowhere.
        if (std::filesystem::exists(std::filesystem::symlink_status(*html, ec)) &&
            !argumentos.Tiene("force")) {
            return Falla(consola, *html + " already exists; add --force to replace it");
        }
    }
    HistorialDensidad historial;
    std::vector<std::string> archivos;
    std::string error;
    if (!ArchivoHistorial::LeeMeses(rutas, historial, archivos, error)) {
        return Falla(consola, error);
    }
    const AnalisisHistorial analisis(historial, Velqor::kDensidadDelPase);
    const std::vector<FilaHistorial>& filas = historial.Filas();
    if (argumentos.Tiene("json")) {
        nlohmann::json salida = JsonAnalisis(analisis);
        salida["indexes"] = Json(filas);
        consola.salida << salida.dump(2) << '\n';
    } else {
        EscribeTabla(filas, consola.salida);
        EscribeConsejos(analisis, consola.salida);
    }

    if (html) {
        std::string titulo = std::filesystem::path(archivos.front()).filename().string();
        if (archivos.size() > 1) {
            titulo += " to " + std::filesystem::path(archivos.back()).filename().string();
        }
        // Through the file module: a temporary beside OUT, flushed, renamed over it; a link at
        // OUT is replaced, never written through.
        if (!ReemplazaArchivo(*html, PaginaHistorial::Escribe(historial, analisis, titulo))) {
            return Falla(consola, "could not write " + *html);
        }
        if (!argumentos.Tiene("json")) consola.salida << "Page written to " << *html << '\n';
    }
    return kExito;
}

}  // namespace velqor::cli
