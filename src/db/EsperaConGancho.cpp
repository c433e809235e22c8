#include "db/EsperaConGancho.h"

#include <utility>

namespace velqor::db {

EsperaConGancho::~EsperaConGancho() {
    if (!hilo_.joinable()) return;
    {
        const std::lock_guard bloqueo(mutex_);
        fin_ = true;
    }
    cambio_.notify_all();
    hilo_.join();
}

void EsperaConGancho::Bucle() {
    std::unique_lock bloqueo(mutex_);
    for (;;) {
        cambio_.wait(bloqueo, [this] { return fin_ || trabajo_ != nullptr; });
        if (trabajo_ == nullptr) return;
        const std::function<void()>& trabajo = *std::exchange(trabajo_, nullptr);
        bloqueo.unlock();
        std::exception_ptr error;
        try {
            trabajo();
        } catch (...) {
            error = std::current_exception();
        }
        bloqueo.lock();
        error_ = error;
        enCurso_ = false;
        cambio_.notify_all();
    }
}

bool EsperaConGancho::EsperaFin(std::chrono::milliseconds plazo) {
    std::unique_lock bloqueo(mutex_);
    return cambio_.wait_for(bloqueo, plazo, [this] { return !enCurso_; });
}

void EsperaConGancho::Ejecuta(const WaitHook& gancho, const std::function<void()>& trabajo,
                              const std::function<void()>& interrumpir,
                              std::chrono::milliseconds intervalo) {
    if (!gancho) {
        trabajo();
        return;
    }
    {
        const std::lock_guard bloqueo(mutex_);
        if (!hilo_.joinable()) hilo_ = std::thread([this] { Bucle(); });
        trabajo_ = &trabajo;
        enCurso_ = true;
        error_ = nullptr;
    }
    cambio_.notify_all();
    while (!EsperaFin(intervalo)) {
        try {
            gancho();
        } catch (...) {
            if (interrumpir) interrumpir();
            std::unique_lock bloqueo(mutex_);
            cambio_.wait(bloqueo, [this] { return !enCurso_; });
            error_ = nullptr;
            throw;
        }
    }
    std::exception_ptr error;
    {
        const std::lock_guard bloqueo(mutex_);
        error = std::exchange(error_, nullptr);
    }
    if (error) std::rethrow_exception(error);
}

}  // namespace velqor::db
