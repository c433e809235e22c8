// The fragmentation survey (Velqor::ObtenerDensidadActual on an open connection) beside the
// driver's ceiling, a plain C ODBC client (velqor_bench_odbc_c) reading the same statements through
// the same driver in bound blocks on a connection it opened before timing, and beside FreeTDS's own
// client, tsql, reading the same DBCC SHOWCONTIG result. tsql logs in on every run, so its login
// (the same tsql running SELECT 1) is measured apart and subtracted.
//
// velqor_bench_encuesta CARPETA NOMBRE PUERTO BASE USUARIO CLAVE VECES [--engine-only|--without-tsql]
//
// The engine's figure is the call of ObtenerDensidadActual until it hands its list back, repeated
// in a process that keeps the memory it frees (the C client reuses its buffers too); the first call
// of the process, on fresh memory, and the caller's freeing of the list afterwards are timed apart
// and printed as information.
//
// With --engine-only only the engine is timed, and one line SURVEY|min/median/max ms|peak MB
// is printed; with --without-tsql the C client is timed too (a line CLIENT|min/median/max ms and
// the comparison), not tsql.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Conexion.h"
#include "Mediana.h"
#include "engine/Velqor.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kEncuesta = "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS";
// The catalog query the survey sends after it (the schema of every table).
constexpr const char* kCatalogo =
    "SELECT object_id, name, SCHEMA_NAME(schema_id) AS schema_name FROM sys.objects "
    "WHERE type = 'U' OR type = 'V'";

// Wall times of tsql running the script's batch, its output thrown away.
velqor::bench::Reparto Tsql(int veces, const std::string& puerto, const std::string& base,
                            const std::string& usuario, const std::string& clave,
                            const std::string& lote) {
    const fs::path guion = fs::temp_directory_path() / "velqor-bench-tsql.sql";
    std::ofstream(guion) << lote << "\ngo\n";
    // The same protocol version and character set as the pass's own connection.
    const std::string orden = "TDSVER=7.4 tsql -H 127.0.0.1 -p " + puerto + " -U '" + usuario +
                              "' -P '" + clave + "' -D '" + base + "' -o q < " + guion.string() +
                              " > /dev/null 2>&1";
    const auto reparto = velqor::bench::MideMs(veces, [&] {
        if (std::system(orden.c_str()) != 0) throw std::runtime_error("tsql failed: " + orden);
    });
    fs::remove(guion);
    return reparto;
}

// Wall times of the plain C client reading both statements of the survey, as it measures them.
velqor::bench::Reparto ClienteC(int veces, const std::string& cadena, size_t& filas) {
    const fs::path programa = fs::canonical("/proc/self/exe").parent_path() / "velqor_bench_odbc_c";
    ::setenv("VELQOR_ODBC_CADENA", cadena.c_str(), 1);
    const std::string orden = "'" + programa.string() + "' " + std::to_string(veces) + " \"" +
                              kEncuesta + "\" \"" + kCatalogo + "\"";
    std::unique_ptr<FILE, int (*)(FILE*)> salida(::popen(orden.c_str(), "r"), ::pclose);
    if (!salida) throw std::runtime_error("cannot run " + orden);
    std::vector<double> muestras;
    double ms = 0;
    long leidas = 0;
    while (std::fscanf(salida.get(), "SAMPLE|%lf|%ld\n", &ms, &leidas) == 2) muestras.push_back(ms);
    ::unsetenv("VELQOR_ODBC_CADENA");
    if (::pclose(salida.release()) != 0 || muestras.size() != static_cast<size_t>(veces))
        throw std::runtime_error("the C client failed");
    filas = static_cast<size_t>(leidas);
    return velqor::bench::Reparte(muestras);
}

}  // namespace

int main(int argc, char** argv) try {
    const std::string modo = argc == 9 ? argv[8] : "";
    const bool soloMotor = modo == "--engine-only";
    const bool sinTsql = modo == "--without-tsql";
    if (argc != 8 && !soloMotor && !sinTsql) {
        std::fprintf(stderr, "usage: %s CARPETA NOMBRE PUERTO BASE USUARIO CLAVE VECES [--engine-only|--without-tsql]\n",
                     argv[0]);
        return 2;
    }
    const std::string carpeta = argv[1], nombre = argv[2], puerto = argv[3], base = argv[4],
                      usuario = argv[5], clave = argv[6];
    const int veces = std::atoi(argv[7]);
    velqor::bench::ConservaMemoriaLiberada();

    velqor::Velqor motor;
    bool noEsSQL = false;
    if (!motor.Crear(carpeta, nombre, fs::temp_directory_path().string(), noEsSQL)) {
        throw std::runtime_error("the engine cannot load " + nombre);
    }
    auto conn = velqor::bench::AbreConexion(carpeta, nombre);
    // The survey is the call, until the list is handed back; freeing the list is the caller's
    // and is timed apart.
    size_t filas = 0;
    std::vector<double> llamadas, liberaciones;
    const auto encuesta = [&] {
        using Reloj = std::chrono::steady_clock;
        const auto ms = [](Reloj::duration d) {
            return std::chrono::duration<double, std::milli>(d).count();
        };
        std::vector<velqor::IndiceEncuestado> densidad;
        const auto inicio = Reloj::now();
        if (!motor.ObtenerDensidadActual(*conn, densidad)) throw std::runtime_error("survey failed");
        const auto devuelta = Reloj::now();
        filas = densidad.size();
        densidad = {};
        llamadas.push_back(ms(devuelta - inicio));
        liberaciones.push_back(ms(Reloj::now() - devuelta));
    };
    encuesta();  // warm-up: the process's first survey, on fresh memory
    const double primera = llamadas.front();
    llamadas.clear();
    liberaciones.clear();
    for (int i = 0; i < veces; ++i) encuesta();
    const auto motorMs = velqor::bench::Reparte(llamadas);
    const auto liberaMs = velqor::bench::Reparte(liberaciones);
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    const double picoMb = static_cast<double>(uso.ru_maxrss) / 1024;
    if (soloMotor || sinTsql) {
        std::printf("SURVEY|%s|%.1f\n", motorMs.Texto().c_str(), picoMb);
        std::printf("INFO|survey of %zu indexes: engine %s ms (the process's first: %.1f ms), then freeing the list %s ms; peak memory (max RSS) %.1f MB\n",
                    filas, motorMs.Texto().c_str(), primera, liberaMs.Texto().c_str(), picoMb);
        if (soloMotor) return 0;
    }
    conn.reset();
    size_t filasC = 0;
    const auto clienteC = ClienteC(veces, velqor::bench::CadenaConexion(carpeta, nombre), filasC);
    if (sinTsql) {
        std::printf("CLIENT|%s\n", clienteC.Texto().c_str());
        std::printf("RESULT|Survey of %zu indexes (engine, connection open)|%s|ms|plain C ODBC client, bound blocks, same statements|%s|ms|< 1.2x\n",
                    filas, motorMs.Texto().c_str(), clienteC.Texto().c_str());
        return 0;
    }
    const auto tsqlMs = Tsql(veces, puerto, base, usuario, clave, kEncuesta);
    const auto loginMs = Tsql(veces, puerto, base, usuario, clave, "SELECT 1");

    std::printf("RESULT|Survey of %zu indexes (engine, connection open)|%s|ms|plain C ODBC client, bound blocks, same statements|%s|ms|< 1.2x\n",
                filas, motorMs.Texto().c_str(), clienteC.Texto().c_str());
    std::printf("RESULT|Survey of %zu indexes (engine, connection open)|%s|ms|tsql, same DBCC SHOWCONTIG, minus its login|%.1f|ms|< 1x\n",
                filas, motorMs.Texto().c_str(), tsqlMs.mediana - loginMs.mediana);
    std::printf("INFO|survey of %zu indexes: the C client read %zu rows; the engine's first survey of the process, on fresh memory, took %.1f ms; its caller then freed the list in %s ms; engine peak memory (max RSS) %.1f MB\n",
                filas, filasC, primera, liberaMs.Texto().c_str(), picoMb);
    std::printf("INFO|tsql whole run %s ms, of which start-up and login (tsql running SELECT 1) %s ms\n",
                tsqlMs.Texto().c_str(), loginMs.Texto().c_str());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "velqor_bench_encuesta: %s\n", e.what());
    return 1;
}
