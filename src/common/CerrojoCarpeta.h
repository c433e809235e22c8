#pragma once
// CerrojoCarpeta: an advisory lock on a folder, held while the object lives. Processes that take
// the lock on the same folder wait for each other, so a read-merge-write of a file in it is never
// interleaved with another one. Nobody waits for it for long: anyone who can open the folder can
// hold its lock.

#include <chrono>
#include <functional>
#include <string>

namespace velqor {

class CerrojoCarpeta {
  public:
    enum class Resultado {
        Tomado,      // the lock is held
        Ocupado,     // another holder kept it past the time allowed, or the wait was cut short
        SinCerrojo,  // the folder cannot be opened or does not take locks (NFS without locks)
    };

    // Takes the lock on carpeta ("." when empty): tries at once, then every few milliseconds for
    // up to plazo, asking seguir (when given) before each new try and giving up when it answers
    // false. Como() tells how it went; Motivo() why there is no lock when SinCerrojo.
    CerrojoCarpeta(const std::string& carpeta, std::chrono::milliseconds plazo,
                   const std::function<bool()>& seguir = {});
    ~CerrojoCarpeta();
    CerrojoCarpeta(const CerrojoCarpeta&) = delete;
    CerrojoCarpeta& operator=(const CerrojoCarpeta&) = delete;

    Resultado Como() const { return estado_; }
    bool Tomado() const { return estado_ == Resultado::Tomado; }
    const std::string& Motivo() const { return motivo_; }

  private:
    int fd_ = -1;
    Resultado estado_ = Resultado::SinCerrojo;
    std::string motivo_;
};

}  // namespace velqor
