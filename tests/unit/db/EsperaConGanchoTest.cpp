#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "db/EsperaConGancho.h"

namespace velqor::db {
namespace {

using namespace std::chrono_literals;

TEST(EsperaConGancho, SinGanchoTrabajaEnEsteHilo) {
    std::thread::id hilo;
    EsperaConGancho(
        nullptr, [&] { hilo = std::this_thread::get_id(); }, nullptr);
    EXPECT_EQ(hilo, std::this_thread::get_id());
}

TEST(EsperaConGancho, LlamaAlGanchoEnEsteHiloMientrasEspera) {
    std::atomic<bool> terminar{false};
    int llamadas = 0;
    bool siempreEsteHilo = true;
    const auto propio = std::this_thread::get_id();
    EsperaConGancho(
        [&] {
            siempreEsteHilo = siempreEsteHilo && std::this_thread::get_id() == propio;
            if (++llamadas == 3) terminar = true;
        },
        [&] {
            while (!terminar) std::this_thread::sleep_for(1ms);
        },
        nullptr, 5ms);
    EXPECT_GE(llamadas, 3);
    EXPECT_TRUE(siempreEsteHilo);
}

TEST(EsperaConGancho, ElErrorDelTrabajoLlegaAlLlamador) {
    EXPECT_THROW(EsperaConGancho([] {}, [] { throw std::runtime_error("falla"); }, nullptr, 1ms),
                 std::runtime_error);
}

TEST(EsperaConGancho, GanchoQueFallaInterrumpeYEsperaAlTrabajo) {
    std::atomic<bool> interrumpido{false};
    std::atomic<bool> terminado{false};
    try {
        EsperaConGancho([] { throw std::logic_error("cancelado"); },
                        [&] {
                            while (!interrumpido) std::this_thread::sleep_for(1ms);
                            std::this_thread::sleep_for(20ms);
                            terminado = true;
                        },
                        [&] { interrumpido = true; }, 1ms);
        FAIL() << "the hook's exception was swallowed";
    } catch (const std::logic_error&) {
        EXPECT_TRUE(terminado);
    }
}

}  // namespace
}  // namespace velqor::db
