// The fragmentation survey (Velqor::ObtenerDensidadActual on an open connection) beside FreeTDS's
// own client, tsql, reading the same DBCC SHOWCONTIG result from the same server. tsql logs in on
// every run, so its login (the same tsql running SELECT 1) is measured apart and subtracted.
//
// velqor_bench_encuesta CARPETA NOMBRE PUERTO BASE USUARIO CLAVE VECES

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "Conexion.h"
#include "Mediana.h"
#include "engine/Velqor.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kEncuesta = "DBCC SHOWCONTIG () WITH FAST, TABLERESULTS, ALL_INDEXES, NO_INFOMSGS";

// Median wall time of tsql running the script's batch, its output thrown away.
double MedianaTsql(int veces, const std::string& puerto, const std::string& base,
                   const std::string& usuario, const std::string& clave, const std::string& lote) {
    const fs::path guion = fs::temp_directory_path() / "velqor-bench-tsql.sql";
    std::ofstream(guion) << lote << "\ngo\n";
    // The same protocol version and character set as the pass's own connection.
    const std::string orden = "TDSVER=7.4 tsql -H 127.0.0.1 -p " + puerto + " -U '" + usuario +
                              "' -P '" + clave + "' -D '" + base + "' -o q < " + guion.string() +
                              " > /dev/null 2>&1";
    const double ms = velqor::bench::MedianaMs(veces, [&] {
        if (std::system(orden.c_str()) != 0) throw std::runtime_error("tsql failed: " + orden);
    });
    fs::remove(guion);
    return ms;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc != 8) {
        std::fprintf(stderr, "usage: %s CARPETA NOMBRE PUERTO BASE USUARIO CLAVE VECES\n", argv[0]);
        return 2;
    }
    const std::string carpeta = argv[1], nombre = argv[2], puerto = argv[3], base = argv[4],
                      usuario = argv[5], clave = argv[6];
    const int veces = std::atoi(argv[7]);

    velqor::Velqor motor;
    bool noEsSQL = false;
    if (!motor.Crear(carpeta, nombre, fs::temp_directory_path().string(), noEsSQL)) {
        throw std::runtime_error("the engine cannot load " + nombre);
    }
    auto conn = velqor::bench::AbreConexion(carpeta, nombre);
    size_t filas = 0;
    const auto encuesta = [&] {
        velqor::Valor densidad;
        if (!motor.ObtenerDensidadActual(*conn, densidad)) throw std::runtime_error("survey failed");
        filas = densidad.ComoLista().size();
    };
    encuesta();  // warm-up
    const double motorMs = velqor::bench::MedianaMs(veces, encuesta);
    const double tsqlMs = MedianaTsql(veces, puerto, base, usuario, clave, kEncuesta);
    const double loginMs = MedianaTsql(veces, puerto, base, usuario, clave, "SELECT 1");

    std::printf("RESULT|Survey of %zu indexes (engine, connection open)|%.1f|ms|tsql, same DBCC SHOWCONTIG, minus its login|%.1f|ms|< 1.2x\n",
                filas, motorMs, tsqlMs - loginMs);
    std::printf("INFO|tsql whole run %.1f ms, of which start-up and login (tsql running SELECT 1) %.1f ms\n",
                tsqlMs, loginMs);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "velqor_bench_encuesta: %s\n", e.what());
    return 1;
}
