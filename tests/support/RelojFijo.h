#pragma once
// A test clock that shows a fixed moment and moves only when the test (or a scripted statement)
// advances it.

#include "common/Momento.h"

namespace velqor::prueba {

class RelojFijo final : public Reloj {
  public:
    explicit RelojFijo(Momento inicio) : ahora_(inicio) {}
    Momento Ahora() const override { return ahora_; }
    void Fija(Momento m) { ahora_ = m; }
    void Avanza(int segundos) { ahora_ += std::chrono::seconds(segundos); }

  private:
    Momento ahora_;
};

}  // namespace velqor::prueba
