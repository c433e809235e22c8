#include "common/CerrojoCarpeta.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace velqor {

CerrojoCarpeta::CerrojoCarpeta(const std::string& carpeta)
    : fd_(::open(carpeta.empty() ? "." : carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    int r = 0;
    do {
        r = ::flock(fd_, LOCK_EX);
    } while (r != 0 && errno == EINTR);
    tomado_ = r == 0;
}

CerrojoCarpeta::~CerrojoCarpeta() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace velqor
