// What a night's index phase costs under a connection definition's policy: the fragmentation
// survey, then Velqor::ReindexarTodo with users off line, on an open connection to sqlsim.
//
// velqor_bench_politica CARPETA NOMBRE MS_REINDEX MS_DEFRAG
//
// CARPETA/NOMBRE.cfp is the definition (its policy keys decide). sqlsim runs with msPer1000Pages 0,
// so the pass takes no simulated time; the server time is computed afterwards from the same model
// sqlsim applies (docs of tools/sqlsim: a statement takes msPer1000Pages of its kind for every
// 1000 pages of the index it treats), with MS_REINDEX for a rebuild (DBCC DBREINDEX) and MS_DEFRAG
// for a defragmentation (DBCC INDEXDEFRAG), over the indexes the density history says were
// treated, each with the pages the survey gave. Prints one line:
// POLICY|treated|rebuilt|defragmented|pages rewritten|pages moved|server seconds|wall ms
// Pages rewritten are the pages of the rebuilt indexes; pages moved by defragmentation are taken
// as each defragmented index's pages times its fragmentation (100 minus its density), the pages
// out of order that INDEXDEFRAG puts back in place.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "engine/Velqor.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER NAME MS_REINDEX MS_DEFRAG\n", argv[0]);
        return 2;
    }
    try {
        const double msReconstruye = std::atof(argv[3]);
        const double msReorganiza = std::atof(argv[4]);
        velqor::Velqor motor;
        motor.SoloLectura();
        bool noEsSQL = false;
        if (!motor.Crear(argv[1], argv[2], argv[1], noEsSQL)) {
            std::fprintf(stderr, "%s\n", motor.ErrorDefinicion().c_str());
            return 1;
        }
        auto conn = motor.AbreConexion();
        motor.DecideDialecto(*conn);
        std::vector<velqor::IndiceEncuestado> encuesta;
        if (!motor.ObtenerDensidadActual(*conn, encuesta)) return 1;
        std::map<std::string, const velqor::IndiceEncuestado*> porClave;
        for (const auto& i : encuesta) porClave[i.TablaVisible() + i.indice] = &i;

        bool cancelar = false;
        std::string informe;
        const auto inicio = std::chrono::steady_clock::now();
        motor.ReindexarTodo(*conn, velqor::Velqor::kDensidadDelPase, 0, true, cancelar, informe);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - inicio)
                .count();

        long tratados = 0, reconstruidos = 0, reorganizados = 0;
        double reescritas = 0, movidas = 0, segundos = 0;
        const velqor::HistorialDensidad historia = motor.Estadistica();
        for (const auto& fila : historia.Filas()) {
            const auto it = porClave.find(fila.clave);
            if (it == porClave.end()) continue;
            const double paginas = static_cast<double>(it->second->paginas);
            for (const auto& m : fila.mediciones) {
                ++tratados;
                if (m.bloquear) {
                    ++reconstruidos;
                    reescritas += paginas;
                    segundos += paginas / 1000 * msReconstruye / 1000;
                } else {
                    ++reorganizados;
                    movidas += paginas * (100 - it->second->densidad) / 100;
                    segundos += paginas / 1000 * msReorganiza / 1000;
                }
            }
        }
        conn->Close();
        std::printf("POLICY|%ld|%ld|%ld|%.0f|%.0f|%.0f|%.0f\n", tratados, reconstruidos,
                    reorganizados, reescritas, movidas, segundos, ms);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
