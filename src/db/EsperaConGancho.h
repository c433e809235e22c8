#pragma once
// Runs blocking calls while keeping the calling thread responsive through the wait hook.

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "db/Connection.h"

namespace velqor::db {

// One worker thread, started by the first call that has a hook and kept until destruction, runs
// every such call of its owner (a connection), so that a statement or a block of rows costs a
// wake-up instead of a thread of its own. Calls come from one thread at a time.
class EsperaConGancho {
  public:
    EsperaConGancho() = default;
    // Stops the worker and waits for it; no call may be running.
    ~EsperaConGancho();
    EsperaConGancho(const EsperaConGancho&) = delete;
    EsperaConGancho& operator=(const EsperaConGancho&) = delete;

    // Runs `trabajo` to its end and returns (or throws) what it returns (or throws). Without a
    // hook it runs right here. With one, it runs on the worker while this thread calls the hook
    // every `intervalo`. When the hook throws, `interrumpir` is called (to hurry the work along),
    // the work is waited for, and the hook's exception propagates (the work's outcome is dropped).
    void Ejecuta(const WaitHook& gancho, const std::function<void()>& trabajo,
                 const std::function<void()>& interrumpir,
                 std::chrono::milliseconds intervalo = std::chrono::milliseconds(50));

  private:
    // The worker: runs each work handed over until told to end.
    void Bucle();
    // Waits up to `plazo` for the work handed over to end; true when it has.
    bool EsperaFin(std::chrono::milliseconds plazo);

    std::mutex mutex_;
    std::condition_variable cambio_;
    const std::function<void()>* trabajo_ = nullptr;  // handed over, not yet taken by the worker
    bool enCurso_ = false;                            // handed over and not yet ended
    std::exception_ptr error_;                        // what the last work threw
    bool fin_ = false;
    std::thread hilo_;
};

}  // namespace velqor::db
