#include "common/CerrojoCarpeta.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace velqor {

namespace {

constexpr std::chrono::milliseconds kPausa{50};

}  // namespace

CerrojoCarpeta::CerrojoCarpeta(const std::string& carpeta, std::chrono::milliseconds plazo,
                               const std::function<bool()>& seguir)
    : fd_(::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) {
        motivo_ = std::strerror(errno);
        return;
    }
    const auto limite = std::chrono::steady_clock::now() + plazo;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            estado_ = Resultado::Tomado;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            motivo_ = std::strerror(errno);
            return;
        }
        if (std::chrono::steady_clock::now() >= limite || (seguir && !seguir())) {
            estado_ = Resultado::Ocupado;
            return;
        }
        std::this_thread::sleep_for(kPausa);
    }
}

CerrojoCarpeta::~CerrojoCarpeta() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace velqor
