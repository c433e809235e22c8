// The round trip of one trivial statement through the db layer, on a connection opened as a pass
// opens it: the share of the server and the driver in each statement a pass sends.
//
// velqor_bench_ida_vuelta CARPETA NOMBRE SENTENCIAS VECES

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Conexion.h"
#include "Mediana.h"

int main(int argc, char** argv) try {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s CARPETA NOMBRE SENTENCIAS VECES\n", argv[0]);
        return 2;
    }
    const int sentencias = std::atoi(argv[3]);
    auto conn = velqor::bench::AbreConexion(argv[1], argv[2]);
    const double ms = velqor::bench::MideMs(std::atoi(argv[4]), [&] {
        for (int i = 0; i < sentencias; ++i) conn->Execute("SELECT 1", 1);
    }).mediana;
    std::printf("ROUNDTRIP|%d|%.4f\n", sentencias, ms / sentencias);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "velqor_bench_ida_vuelta: %s\n", e.what());
    return 1;
}
