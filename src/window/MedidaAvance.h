#pragma once
// MedidaAvance: how far a running pass has come, as a person is shown it: the engine's step and
// indexes done of those to do, the time since the pass started and, during the index step, an
// estimate of the time the remaining indexes will take at the pace of those done so far.

#include <cstdint>
#include <string>

#include "common/Momento.h"
#include "engine/Velqor.h"

namespace velqor::ventana {

// A pass's progress at one moment.
struct EstadoAvance {
    Velqor::Paso paso = Velqor::Paso::Encuesta;
    int32_t hechos = 0;         // indexes done (index step only)
    int32_t total = 0;          // indexes to do (index step only)
    int64_t transcurridos = 0;  // seconds since the pass started
    int64_t restantes = -1;     // estimated seconds for the remaining indexes; -1 when unknown
};

class MedidaAvance {
  public:
    // reloj must outlive the measure.
    explicit MedidaAvance(const Reloj& reloj) : reloj_(reloj) {}

    // A pass starts now, at its first step.
    void Inicia();
    // Takes the engine's advance notice.
    void Anota(const Velqor::Avance& avance);
    // The progress at the clock's current second.
    EstadoAvance Estado() const;

    // What the window's bar reads: "17 / 240" during the index step, otherwise the step.
    static std::string TextoBarra(const EstadoAvance& estado);
    // A duration as "0:42", "12:05" or "1:02:03".
    static std::string TextoDuracion(int64_t segundos);
    // The terminal's progress line: "indexes 17 / 240, 0:42 elapsed, about 9:18 left".
    static std::string LineaTerminal(const EstadoAvance& estado);

  private:
    const Reloj& reloj_;
    Momento inicio_{};
    Momento inicioIndices_{};
    Velqor::Avance avance_{};
};

}  // namespace velqor::ventana
