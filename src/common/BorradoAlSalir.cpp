#include "common/BorradoAlSalir.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace velqor {

namespace {

// What a signal handler may read: fixed buffers and lock-free flags, no allocation.
enum Estado : int { kLibre, kTomado, kListo };
struct Hueco {
    std::atomic<int> estado{kLibre};
    char ruta[PATH_MAX]{};
};

std::array<Hueco, BorradoAlSalir::kMaximo>& Huecos() {
    static std::array<Hueco, BorradoAlSalir::kMaximo> huecos;
    return huecos;
}

constexpr std::array kSenales = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void AlTerminar(int senal) {
    for (Hueco& h : Huecos()) {
        if (h.estado.load() == kListo) ::unlink(h.ruta);
    }
    // End the process as the signal would have without this handler.
    ::signal(senal, SIG_DFL);
    ::raise(senal);
}

// Installs the handler for each signal still left to its default action; once per process.
void Atiende() {
    static const bool atendidas = [] {
        for (int senal : kSenales) {
            struct sigaction actual {};
            if (::sigaction(senal, nullptr, &actual) != 0 || actual.sa_handler != SIG_DFL ||
                (actual.sa_flags & SA_SIGINFO) != 0) {
                continue;
            }
            struct sigaction accion {};
            accion.sa_handler = AlTerminar;
            sigemptyset(&accion.sa_mask);
            for (int otra : kSenales) sigaddset(&accion.sa_mask, otra);
            ::sigaction(senal, &accion, nullptr);
        }
        return true;
    }();
    (void)atendidas;
}

}  // namespace

BorradoAlSalir::BorradoAlSalir(const std::string& ruta) : ruta_(ruta) {
    static_assert(std::atomic<int>::is_always_lock_free);
    if (ruta.size() >= PATH_MAX) return;
    Atiende();
    for (int i = 0; i < kMaximo; ++i) {
        Hueco& h = Huecos()[static_cast<std::size_t>(i)];
        int libre = kLibre;
        if (!h.estado.compare_exchange_strong(libre, kTomado)) continue;
        std::memcpy(h.ruta, ruta.c_str(), ruta.size() + 1);
        h.estado.store(kListo);
        hueco_ = i;
        return;
    }
}

BorradoAlSalir::~BorradoAlSalir() {
    if (hueco_ >= 0) Huecos()[static_cast<std::size_t>(hueco_)].estado.store(kLibre);
    ::unlink(ruta_.c_str());
}

}  // namespace velqor
