#include "cli/AnalisisHistorial.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

#include "cli/ArchivoHistorial.h"

namespace velqor::cli {

namespace {

// A mean of the densities that were read (0 stands for a density that could not be read).
struct Media {
    double suma = 0;
    int cuantas = 0;
    void Suma(double densidad) {
        if (densidad <= 0) return;
        suma += densidad;
        ++cuantas;
    }
    std::optional<double> Valor() const {
        return cuantas ? std::optional<double>(suma / cuantas) : std::nullopt;
    }
};

// What one index's treatments show over the nights.
struct EstadoIndice {
    std::set<std::size_t> noches;  // positions in the overview
    Media antes, despues, antesSiguiente;
    double ganancia = 0;  // summed over the treatments whose two densities were read
    int conAmbas = 0;
    int tratamientos = 0, rapidos = 0;
    int recaidas = 0, seguidas = 0;
};

struct ResumenEnCurso {
    ResumenNoche resumen;
    std::set<std::size_t> filas;
    Media antes, despues;
};

Consejo Base(TipoConsejo tipo, const FilaHistorial& fila, const EstadoIndice& e, int noches) {
    Consejo c;
    c.tipo = tipo;
    c.tabla = fila.tabla;
    c.indice = fila.indice;
    c.noches = noches;
    c.nochesTratado = static_cast<int>(e.noches.size());
    c.recaidas = e.recaidas;
    c.seguidas = e.seguidas;
    c.antes = e.antes.Valor();
    c.despues = e.despues.Valor();
    c.antesSiguiente = e.antesSiguiente.Valor();
    return c;
}

Consejo FactorRelleno(const FilaHistorial& fila, const EstadoIndice& e, int noches, double umbral) {
    Consejo c = Base(TipoConsejo::FactorRelleno, fila, e, noches);
    // One step of ten points; two when it is back under 75 % by the next night.
    const bool rapido = c.antesSiguiente && *c.antesSiguiente < 75;
    c.factorRelleno = rapido ? 80 : 90;
    const std::string valor = std::to_string(c.factorRelleno);
    c.sugerencia = "Rebuild it with FILLFACTOR = " + valor +
                   " (if it has the default, 0 or 100; otherwise " +
                   std::to_string(100 - c.factorRelleno) +
                   " points under its present value): the free space left on each page takes new "
                   "rows without page splits, which are what fragment it again. " +
                   (rapido ? std::string("It is back under 75% by the next night, hence the "
                                         "larger step. ")
                           : std::string()) +
                   "A lower fill factor makes the index larger and its reads slower: lower it step "
                   "by step, only while it still fragments every night.";
    c.evidencia = "treated on " + std::to_string(c.nochesTratado) + " of " +
                  std::to_string(noches) + " nights; density " + TextoPorciento(c.antes) +
                  " before and " + TextoPorciento(c.despues) + " after on average; back under " +
                  TextoDensidad(umbral) + "% by the next night " + std::to_string(c.recaidas) +
                  " times out of " + std::to_string(c.seguidas) + ", at " +
                  TextoPorciento(c.antesSiguiente) + " on average.";
    return c;
}

Consejo Politica(const FilaHistorial& fila, const EstadoIndice& e, int noches) {
    Consejo c = Base(TipoConsejo::Politica, fila, e, noches);
    const double ganancia = e.ganancia / e.conAmbas;
    c.sugerencia =
        "Leave it to a maintenance policy instead of treating it every time: with ReorganizeAbove "
        "above its fragmentation (100 minus density, " +
        TextoPorciento(c.antes ? std::optional<double>(100 - *c.antes) : std::nullopt) +
        " before a treatment on average; " + std::to_string(AnalisisHistorial::kReorganizarDesde) +
        " is the usual start) the pass leaves it alone, and RebuildAbove keeps rebuilds for heavy "
        "fragmentation; if it is small, MinPages leaves it alone too.";
    c.evidencia = "treated " + std::to_string(e.tratamientos) + " times on " +
                  std::to_string(c.nochesTratado) + " of " + std::to_string(noches) +
                  " nights; density " + TextoPorciento(c.antes) + " before and " +
                  TextoPorciento(c.despues) + " after on average: " + TextoDensidad(ganancia) +
                  " points gained.";
    return c;
}

Consejo MinPaginas(const FilaHistorial& fila, const EstadoIndice& e, int noches) {
    Consejo c = Base(TipoConsejo::MinPaginas, fila, e, noches);
    c.sugerencia =
        "Check its page count (Pages in DBCC SHOWCONTIG, page_count in "
        "sys.dm_db_index_physical_stats); if it is small, set MinPages (" +
        std::to_string(AnalisisHistorial::kPaginasMinimas) +
        " is the usual start) so that the pass leaves it alone: fragmentation costs a small index "
        "little, and a small index may stay fragmented after a rebuild since its pages can lie "
        "in extents it shares. The history keeps no page counts: the speed of its treatments is "
        "the only hint.";
    c.evidencia = "treated on every one of the " + std::to_string(noches) +
                  " nights; each of its " + std::to_string(e.tratamientos) +
                  " treatments ended within the second it started; density " +
                  TextoPorciento(c.antes) + " before and " + TextoPorciento(c.despues) +
                  " after on average.";
    return c;
}

}  // namespace

Momento AnalisisHistorial::DiaDeNoche(Momento inicio) {
    using namespace std::chrono;
    return time_point_cast<seconds>(floor<days>(inicio - hours(12)));
}

AnalisisHistorial::AnalisisHistorial(const HistorialDensidad& historial, double umbral) {
    const std::vector<FilaHistorial>& filas = historial.Filas();

    std::map<Momento, ResumenEnCurso> porDia;
    for (std::size_t f = 0; f < filas.size(); ++f) {
        for (const Medicion& m : filas[f].mediciones) {
            ResumenEnCurso& r = porDia[DiaDeNoche(m.inicio)];
            if (r.filas.empty()) {  // the night's first treatment
                r.resumen.desde = m.inicio;
                r.resumen.hasta = m.fin;
            }
            r.filas.insert(f);
            ++(m.bloquear ? r.resumen.reconstrucciones : r.resumen.desfragmentaciones);
            if (m.fin > m.inicio) r.resumen.tiempo += m.fin - m.inicio;
            r.resumen.desde = std::min(r.resumen.desde, m.inicio);
            r.resumen.hasta = std::max(r.resumen.hasta, std::max(m.fin, m.inicio));
            r.antes.Suma(m.antes);
            r.despues.Suma(m.despues);
        }
    }
    std::map<Momento, std::size_t> posicion;
    for (auto& [dia, r] : porDia) {
        r.resumen.dia = dia;
        r.resumen.indices = static_cast<int>(r.filas.size());
        r.resumen.antes = r.antes.Valor();
        r.resumen.despues = r.despues.Valor();
        posicion[dia] = noches_.size();
        noches_.push_back(r.resumen);
    }

    std::vector<EstadoIndice> estados(filas.size());
    for (std::size_t f = 0; f < filas.size(); ++f) {
        EstadoIndice& e = estados[f];
        // The density before of the first treatment of each night.
        std::map<std::size_t, double> primeraDeNoche;
        std::vector<Medicion> mediciones = filas[f].mediciones;
        std::stable_sort(mediciones.begin(), mediciones.end(),
                         [](const Medicion& a, const Medicion& b) { return a.inicio < b.inicio; });
        for (const Medicion& m : mediciones) {
            const std::size_t noche = posicion.at(DiaDeNoche(m.inicio));
            e.noches.insert(noche);
            primeraDeNoche.emplace(noche, m.antes);
            ++e.tratamientos;
            if (m.fin <= m.inicio) ++e.rapidos;
            e.antes.Suma(m.antes);
            e.despues.Suma(m.despues);
            if (m.antes > 0 && m.despues > 0) {
                e.ganancia += m.despues - m.antes;
                ++e.conAmbas;
            }
        }
        for (const std::size_t noche : e.noches) {
            if (noche + 1 >= noches_.size()) continue;
            ++e.seguidas;
            const auto siguiente = primeraDeNoche.find(noche + 1);
            if (siguiente != primeraDeNoche.end() && siguiente->second < umbral) {
                ++e.recaidas;
                e.antesSiguiente.Suma(siguiente->second);
            }
        }
    }

    aconsejado_.assign(filas.size(), false);
    std::vector<std::optional<Consejo>> consejoDe(filas.size());
    const int noches = static_cast<int>(noches_.size());
    if (noches >= kNochesMinimas) {
        for (std::size_t f = 0; f < filas.size(); ++f) {
            const EstadoIndice& e = estados[f];
            const int tratado = static_cast<int>(e.noches.size());
            if (tratado == noches && e.rapidos == e.tratamientos) {
                consejoDe[f] = MinPaginas(filas[f], e, noches);
            } else if (tratado >= 2 && e.conAmbas >= 2 && e.ganancia / e.conAmbas < kPocaGanancia) {
                consejoDe[f] = Politica(filas[f], e, noches);
            } else if (tratado * 2 > noches && tratado >= kNochesMinimas && e.seguidas >= 2 &&
                       e.recaidas * 3 >= e.seguidas * 2) {
                consejoDe[f] = FactorRelleno(filas[f], e, noches, umbral);
            }
            aconsejado_[f] = consejoDe[f].has_value();
        }
    }

    orden_.resize(filas.size());
    std::iota(orden_.begin(), orden_.end(), std::size_t{0});
    const auto clave = [&](std::size_t f) {
        const std::optional<double> antes = estados[f].antes.Valor();
        return std::make_tuple(!aconsejado_[f], -static_cast<int>(estados[f].noches.size()),
                               !antes.has_value(), antes.value_or(0), filas[f].tabla,
                               filas[f].indice);
    };
    std::stable_sort(orden_.begin(), orden_.end(),
                     [&](std::size_t a, std::size_t b) { return clave(a) < clave(b); });

    for (const TipoConsejo tipo :
         {TipoConsejo::FactorRelleno, TipoConsejo::Politica, TipoConsejo::MinPaginas}) {
        for (const std::size_t f : orden_) {
            if (consejoDe[f] && consejoDe[f]->tipo == tipo) consejos_.push_back(*consejoDe[f]);
        }
    }
}

std::string NombreConsejo(TipoConsejo tipo) {
    switch (tipo) {
        case TipoConsejo::FactorRelleno:
            return "fillFactor";
        case TipoConsejo::Politica:
            return "policy";
        case TipoConsejo::MinPaginas:
            return "minPages";
    }
    return "";
}

}  // namespace velqor::cli
