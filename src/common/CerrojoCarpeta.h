#pragma once
// CerrojoCarpeta: an advisory lock on a folder, held while the object lives. Processes that take
// the lock on the same folder wait for each other, so a read-merge-write of a file in it is never
// interleaved with another one.

#include <string>

namespace velqor {

class CerrojoCarpeta {
  public:
    // Waits until the lock on carpeta is taken ("." when empty). A folder that cannot be opened or
    // locked leaves the object without the lock (Tomado() false); the caller goes on unguarded.
    explicit CerrojoCarpeta(const std::string& carpeta);
    ~CerrojoCarpeta();
    CerrojoCarpeta(const CerrojoCarpeta&) = delete;
    CerrojoCarpeta& operator=(const CerrojoCarpeta&) = delete;

    bool Tomado() const { return tomado_; }

  private:
    int fd_ = -1;
    bool tomado_ = false;
};

}  // namespace velqor
