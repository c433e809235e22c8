#include "db/EsperaConGancho.h"

#include <future>

namespace velqor::db {

void EsperaConGancho(const WaitHook& gancho, const std::function<void()>& trabajo,
                     const std::function<void()>& interrumpir,
                     std::chrono::milliseconds intervalo) {
    if (!gancho) {
        trabajo();
        return;
    }
    std::future<void> resultado = std::async(std::launch::async, trabajo);
    while (resultado.wait_for(intervalo) != std::future_status::ready) {
        try {
            gancho();
        } catch (...) {
            if (interrumpir) interrumpir();
            resultado.wait();
            throw;
        }
    }
    resultado.get();
}

}  // namespace velqor::db
