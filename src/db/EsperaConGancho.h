#pragma once
// Runs a blocking call while keeping the calling thread responsive through the wait hook.

#include <chrono>
#include <functional>

#include "db/Connection.h"

namespace velqor::db {

// Runs `trabajo` to its end and returns (or throws) what it returns (or throws). Without a hook
// it runs right here. With one, it runs on a worker thread while this thread calls the hook every
// `intervalo`. When the hook throws, `interrumpir` is called (to hurry the worker along), the
// worker is waited for, and the hook's exception propagates (the worker's outcome is dropped).
void EsperaConGancho(const WaitHook& gancho, const std::function<void()>& trabajo,
                     const std::function<void()>& interrumpir,
                     std::chrono::milliseconds intervalo = std::chrono::milliseconds(50));

}  // namespace velqor::db
