// The month's density history file: saving (TextoHistorial::Escribe + GrabaTexto) and loading
// (LeeTexto + TextoHistorial::Lee) a history of N indexes x 31 measurements, each beside a plain
// file copy of the same number of bytes (std::ofstream write, std::ifstream read; and a write
// flushed to the disk, as a save flushes the history). Ends with a table of the medians and their ratios. Each benchmark
// runs in a process of its own that keeps the memory it frees, so its repeats reuse memory the
// process already has; the single operations at the end of the file show the first load of a
// process beside a first plain read.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "common/General.h"
#include "common/Momento.h"
#include "common/Valor.h"
#include "engine/TextoHistorial.h"
#include "Mediana.h"

namespace {

using namespace velqor;

constexpr int kMedidas = 31;

// The history as the engine keeps it: rows (table, index, key, measurements), each measurement
// (density before, started, ended, density after, rebuilt).
HistorialDensidad Historial(int indices) {
    std::vector<FilaHistorial> filas;
    filas.reserve(indices);
    for (int i = 0; i < indices; ++i) {
        const std::string tabla = "Tabla" + std::to_string(i / 100);
        const std::string indice = "IX_" + tabla + "_" + std::to_string(i % 100);
        FilaHistorial& fila = filas.emplace_back();
        fila = {tabla, indice, tabla + "." + indice, {}};
        for (int d = 0; d < kMedidas; ++d) {
            const Momento inicio = HacerMomento(2026, 12, d + 1, 2, i % 60, d);
            fila.mediciones.push_back({20 + (i * 7 + d) % 8000 / 100.0, inicio,
                                       inicio + std::chrono::seconds(3), 100, d % 2 == 0});
        }
    }
    return HistorialDensidad(std::move(filas));
}

std::string Ruta(const char* que) {
    return (std::filesystem::temp_directory_path() /
            ("velqor-bench-" + std::to_string(::getpid()) + "-" + que))
        .string();
}

// The history's text, computed once per size; the plain copies move as many bytes.
const std::string& TextoDe(int indices) {
    static std::map<int, std::string> textos;
    auto& t = textos[indices];
    if (t.empty() && !TextoHistorial::Escribe(Historial(indices), t)) std::abort();
    return t;
}

void GuardaHistorial(benchmark::State& estado) {
    // The history as a pass holds it when it saves: loaded from its file (then added to).
    HistorialDensidad historial;
    std::string error;
    if (!TextoHistorial::Lee(TextoDe(static_cast<int>(estado.range(0))), historial, error)) std::abort();
    const std::string ruta = Ruta("historial");
    for (auto _ : estado) {
        std::string texto;
        if (!TextoHistorial::Escribe(historial, texto) || !GrabaTexto(ruta, texto)) estado.SkipWithError("save failed");
    }
    estado.SetBytesProcessed(estado.iterations() * TextoDe(static_cast<int>(estado.range(0))).size());
    std::remove(ruta.c_str());
}

void CargaHistorial(benchmark::State& estado) {
    const std::string ruta = Ruta("historial");
    if (!GrabaTexto(ruta, TextoDe(static_cast<int>(estado.range(0))))) estado.SkipWithError("cannot write");
    for (auto _ : estado) {
        HistorialDensidad historial;
        std::string error;
        if (!TextoHistorial::Lee(LeeTexto(ruta), historial, error)) estado.SkipWithError("load failed");
        benchmark::DoNotOptimize(historial);
    }
    estado.SetBytesProcessed(estado.iterations() * TextoDe(static_cast<int>(estado.range(0))).size());
    std::remove(ruta.c_str());
}

void CopiaEscritura(benchmark::State& estado) {
    const std::string bytes(TextoDe(static_cast<int>(estado.range(0))).size(), 'x');
    const std::string ruta = Ruta("copia");
    for (auto _ : estado) {
        std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
        salida.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        salida.close();
        if (!salida) estado.SkipWithError("write failed");
    }
    estado.SetBytesProcessed(estado.iterations() * bytes.size());
    std::remove(ruta.c_str());
}

// The plain write made durable as a save makes it: the same bytes written and flushed to the disk.
void CopiaEscrituraFirme(benchmark::State& estado) {
    const std::string bytes(TextoDe(static_cast<int>(estado.range(0))).size(), 'x');
    const std::string ruta = Ruta("copia-firme");
    for (auto _ : estado) {
        const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool bien = fd >= 0 &&
                          ::write(fd, bytes.data(), bytes.size()) ==
                              static_cast<ssize_t>(bytes.size()) &&
                          ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (!bien) estado.SkipWithError("write failed");
    }
    estado.SetBytesProcessed(estado.iterations() * bytes.size());
    std::remove(ruta.c_str());
}

// The plain read: the tamano bytes of the file at ruta into a new buffer; false when fewer came.
bool LecturaLlana(const std::string& ruta, std::size_t tamano) {
    std::ifstream entrada(ruta, std::ios::binary);
    std::string bytes(tamano, '\0');
    entrada.read(bytes.data(), static_cast<std::streamsize>(tamano));
    benchmark::DoNotOptimize(bytes);
    return entrada.gcount() == static_cast<std::streamsize>(tamano);
}

void CopiaLectura(benchmark::State& estado) {
    const size_t tamano = TextoDe(static_cast<int>(estado.range(0))).size();
    const std::string ruta = Ruta("copia");
    std::ofstream(ruta, std::ios::binary) << std::string(tamano, 'x');
    for (auto _ : estado) {
        if (!LecturaLlana(ruta, tamano)) estado.SkipWithError("read failed");
    }
    estado.SetBytesProcessed(estado.iterations() * tamano);
    std::remove(ruta.c_str());
}

constexpr int kTamanos[] = {1000, 10000};

// Keeps the minimum, median and maximum of each benchmark's repetitions (in ms) besides printing
// as usual.
class Recolector : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, std::map<std::string, double>> repartos;  // "Name/size" -> min/median/max

    void ReportRuns(const std::vector<Run>& corridas) override {
        ConsoleReporter::ReportRuns(corridas);
        for (const auto& r : corridas) {
            if (r.run_type == Run::RT_Aggregate) {
                repartos[r.run_name.function_name + "/" + r.run_name.args][r.aggregate_name] =
                    r.GetAdjustedRealTime();
            }
        }
    }

    std::string Texto(const std::string& nombre) {
        auto& r = repartos[nombre];
        char texto[96];
        std::snprintf(texto, sizeof texto, "%.3f/%.3f/%.3f", r["min"], r["median"], r["max"]);
        return texto;
    }
};

double Minimo(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Maximo(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

// 1,000 and 10,000 indexes: the cost per index of both shows whether it stays linear. (A history
// much beyond 10,000 x 31 cannot be written: its code sum leaves the 32 bits the format gives it.)
void Tamanos(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
    b->ComputeStatistics("min", Minimo)->ComputeStatistics("max", Maximo);
}
}  // namespace

// Every benchmark of this program, in the order they run.
constexpr struct {
    const char* nombre;
    void (*funcion)(benchmark::State&);
} kBenchmarks[] = {{"GuardaHistorial", GuardaHistorial},
                   {"CopiaEscritura", CopiaEscritura},
                   {"CopiaEscrituraFirme", CopiaEscrituraFirme},
                   {"CargaHistorial", CargaHistorial},
                   {"CopiaLectura", CopiaLectura}};

// Runs the benchmark named figura ("Name/size") in a child process and takes its minimum, median
// and maximum into recolector; false when it could not run.
bool AparteEnUnHijo(const std::string& figura, Recolector& recolector) {
    int tubo[2];
    if (::pipe(tubo) != 0) return false;
    std::fflush(stdout);
    const pid_t hijo = ::fork();
    if (hijo < 0) return false;
    if (hijo == 0) {
        ::close(tubo[0]);
        Recolector propio;
        benchmark::RunSpecifiedBenchmarks(&propio, "^" + figura + "$");
        std::cout.flush();
        std::fflush(stdout);
        auto& r = propio.repartos[figura];
        const double cifras[] = {r["min"], r["median"], r["max"]};
        const bool escrito = ::write(tubo[1], cifras, sizeof cifras) == sizeof cifras;
        ::_exit(escrito && cifras[1] > 0 ? 0 : 1);
    }
    ::close(tubo[1]);
    double cifras[3] = {};
    const bool leido = ::read(tubo[0], cifras, sizeof cifras) == sizeof cifras;
    ::close(tubo[0]);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    if (!leido || !WIFEXITED(estado) || WEXITSTATUS(estado) != 0) return false;
    auto& r = recolector.repartos[figura];
    r["min"] = cifras[0];
    r["median"] = cifras[1];
    r["max"] = cifras[2];
    return true;
}

// One operation in this process, which has done nothing else yet, so that every page it touches is
// fresh, as in a pass that loads the history once: "--write FILE N" writes the history of N
// indexes, "--load FILE" loads it and "--read FILE" reads its bytes plainly, each printing its time
// in ms.
int UnaVez(const std::string& que, const std::string& ruta, const char* indices) {
    if (que == "--write") {
        return GrabaTexto(ruta, TextoDe(std::atoi(indices))) ? 0 : 1;
    }
    const auto inicio = std::chrono::steady_clock::now();
    bool bien = false;
    if (que == "--load") {
        HistorialDensidad historial;
        std::string error;
        bien = TextoHistorial::Lee(LeeTexto(ruta), historial, error);
    } else {
        std::error_code error;
        const auto tamano = std::filesystem::file_size(ruta, error);
        bien = !error && LecturaLlana(ruta, static_cast<std::size_t>(tamano));
    }
    const std::chrono::duration<double, std::milli> tiempo =
        std::chrono::steady_clock::now() - inicio;
    std::printf("%.3f\n", tiempo.count());
    return bien ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc >= 3) {
        const std::string que = argv[1];
        if (que == "--write" || que == "--load" || que == "--read") {
            return UnaVez(que, argv[2], argc > 3 ? argv[3] : "0");
        }
    }
    velqor::bench::ConservaMemoriaLiberada();
    // Five repetitions by default; only their aggregates are shown.
    std::vector<char*> args(argv, argv + argc);
    std::string repeticiones = "--benchmark_repetitions=5";
    std::string agregados = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repeticiones.data(), agregados.data()});
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    for (const auto& b : kBenchmarks) {
        benchmark::RegisterBenchmark(b.nombre, b.funcion)->Apply(Tamanos);
    }
    Recolector recolector;
    // Each benchmark runs in a process of its own, forked from this one before it has built
    // anything, so that no figure depends on what the benchmarks before it left in the heap (where
    // a tree's values lie decides how fast it is walked).
    for (const auto& b : kBenchmarks) {
        for (const int tamano : kTamanos) {
            const std::string figura = std::string(b.nombre) + "/" + std::to_string(tamano);
            if (!AparteEnUnHijo(figura, recolector)) {
                std::fprintf(stderr, "velqor_bench_historial: %s failed\n", figura.c_str());
                return 1;
            }
        }
    }
    benchmark::Shutdown();

    // One line per figure, read by scripts/bench.sh: FIGURE|value|unit|reference|value|unit|goal
    for (const int n : kTamanos) {
        const std::string t = std::to_string(n);
        const double bytes = static_cast<double>(TextoDe(n).size());
        for (const auto& [accion, copia] : {std::pair{"GuardaHistorial", "CopiaEscritura"},
                                            std::pair{"CargaHistorial", "CopiaLectura"}}) {
            const bool guarda = std::string(accion) == "GuardaHistorial";
            std::printf("RESULT|History %s, %d indexes x 31 (%.1f MB)|%s|ms|plain %s of the same bytes|%s|ms|< 10x\n",
                        guarda ? "save" : "load", n, bytes / 1e6,
                        recolector.Texto(std::string(accion) + "/" + t).c_str(),
                        guarda ? "write" : "read", recolector.Texto(std::string(copia) + "/" + t).c_str());
        }
        // A save flushes the file to the disk before it takes the history's name; the plain write
        // above leaves it in the page cache. This is the same write made durable.
        std::printf("RESULT|History save, %d indexes x 31 (%.1f MB)|%s|ms|plain write of the same bytes, flushed (fsync)|%s|ms|-\n",
                    n, bytes / 1e6, recolector.Texto("GuardaHistorial/" + t).c_str(),
                    recolector.Texto("CopiaEscrituraFirme/" + t).c_str());
    }
    // Growth from 1,000 to 10,000 indexes: time per index at 10,000 against 1,000 (1 = linear).
    for (const char* accion : {"GuardaHistorial", "CargaHistorial"}) {
        const std::string nombre(accion);
        const double pequeno = recolector.repartos[nombre + "/1000"]["median"] / 1000;
        const double grande = recolector.repartos[nombre + "/10000"]["median"] / 10000;
        std::printf("RESULT|History %s, time per index at 10,000 indexes|%.4f|ms|the same at 1,000 indexes|%.4f|ms|< 1.5x\n",
                    nombre == "GuardaHistorial" ? "save" : "load", grande, pequeno);
    }
    return 0;
}
