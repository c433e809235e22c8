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
    EsperaConGancho().Ejecuta(
        nullptr, [&] { hilo = std::this_thread::get_id(); }, nullptr);
    EXPECT_EQ(hilo, std::this_thread::get_id());
}

TEST(EsperaConGancho, LlamaAlGanchoEnEsteHiloMientrasEspera) {
    std::atomic<bool> terminar{false};
    int llamadas = 0;
    bool siempreEsteHilo = true;
    const auto propio = std::this_thread::get_id();
    EsperaConGancho().Ejecuta(
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
    EsperaConGancho espera;
    EXPECT_THROW(espera.Ejecuta([] {}, [] { throw std::runtime_error("falla"); }, nullptr, 1ms),
                 std::runtime_error);
    // The failure is the call's own: the next call on the same worker succeeds.
    EXPECT_NO_THROW(espera.Ejecuta([] {}, [] {}, nullptr, 1ms));
}

TEST(EsperaConGancho, UnSoloHiloTrabajaParaTodasLasLlamadas) {
    EsperaConGancho espera;
    std::thread::id primero;
    std::thread::id segundo;
    espera.Ejecuta([] {}, [&] { primero = std::this_thread::get_id(); }, nullptr, 1ms);
    espera.Ejecuta([] {}, [&] { segundo = std::this_thread::get_id(); }, nullptr, 1ms);
    EXPECT_NE(primero, std::this_thread::get_id());
    EXPECT_EQ(primero, segundo);
}

TEST(EsperaConGancho, GanchoQueFallaInterrumpeYEsperaAlTrabajo) {
    std::atomic<bool> interrumpido{false};
    std::atomic<bool> terminado{false};
    EsperaConGancho espera;
    try {
        espera.Ejecuta([] { throw std::logic_error("cancelado"); },
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
    // A call after the cancelled one gets its own outcome, not the dropped one.
    int resultado = 0;
    espera.Ejecuta([] {}, [&] { resultado = 7; }, nullptr, 1ms);
    EXPECT_EQ(resultado, 7);
}

}  // namespace
}  // namespace velqor::db
