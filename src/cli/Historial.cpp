#include "cli/Historial.h"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <nlohmann/json.hpp>

#include "cli/ArchivoHistorial.h"
#include "cli/PaginaHistorial.h"

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
    return {{"indexes", indices}};
}

}  // namespace

std::string Historial::Resumen() const {
    return "Print a month's density history (.ZEVeri), optionally as an HTML page.";
}

std::string Historial::Ayuda() const {
    return "Usage: velqor-config history FILE.ZEVeri [--html OUT.html [--force]] [--json]\n"
           "\n"
           "Prints the density history that the maintenance pass keeps in the report folder, one\n"
           "file per connection definition and month (NAME_yyyy_mm.ZEVeri): for each index its\n"
           "table and name, then one line per treatment with its start, end, scan density before\n"
           "and after (percent) and whether it was rebuilt or defragmented. A damaged file is an\n"
           "error.\n"
           "\n"
           "Options:\n"
           "  --html OUT.html   also write a self-contained page with one chart per index\n"
           "  --force           replace OUT.html when it exists\n"
           "  --json            print the history as one JSON object instead of a table\n"
           "  --help            show this help\n";
}

int Historial::Corre(const Argumentos& argumentos, Consola& consola) const {
    int codigo = kMalUso;
    if (!ExigePosicionales(argumentos, 1, "FILE.ZEVeri", consola, codigo)) return codigo;
    const std::string& ruta = argumentos.Posicionales()[0];
    const auto html = argumentos.Valor("html");
    if (html) {
        if (html->empty()) return MalUso(consola, "option --html needs a file name");
        std::error_code ec;
        if (std::filesystem::equivalent(ruta, *html, ec)) {
            return MalUso(consola, "--html must name another file than the history");
        }
        if (std::filesystem::exists(*html, ec) && !argumentos.Tiene("force")) {
            return Falla(consola, *html + " already exists; add --force to replace it");
        }
    }
    HistorialDensidad historial;
    std::string error;
    if (!ArchivoHistorial::Lee(ruta, historial, error)) return Falla(consola, error);
    const std::vector<FilaHistorial>& filas = historial.Filas();
    if (argumentos.Tiene("json")) {
        consola.salida << Json(filas).dump(2) << '\n';
    } else {
        EscribeTabla(filas, consola.salida);
    }

    if (html) {
        std::ofstream pagina(*html, std::ios::binary | std::ios::trunc);
        pagina << PaginaHistorial::Escribe(filas, std::filesystem::path(ruta).filename().string());
        pagina.close();
        if (!pagina) return Falla(consola, "could not write " + *html);
        if (!argumentos.Tiene("json")) consola.salida << "Page written to " << *html << '\n';
    }
    return kExito;
}

}  // namespace velqor::cli
