#pragma once
// A local date-time to the second, as the system's clock shows it (no time zone attached).

#include <chrono>
#include <cstdint>
#include <string>

namespace velqor {

using Momento = std::chrono::local_seconds;

// A source of the current local time; the engine and the window take one so tests can fix time.
class Reloj {
public:
    virtual ~Reloj() = default;
    // The current local date-time, to the second.
    virtual Momento Ahora() const = 0;
};

// The machine's own clock (localtime of the system clock).
class RelojSistema final : public Reloj {
public:
    Momento Ahora() const override;
    // A process-lifetime instance; stateless, so sharing it is safe.
    static const RelojSistema& Instancia();
};

// Builds a Momento from its calendar fields; fields are not range-checked beyond what chrono does.
Momento HacerMomento(int anio, unsigned mes, unsigned dia, int hora = 0, int minuto = 0, int segundo = 0);

// The calendar fields of a Momento.
struct CamposMomento {
    int anio;
    unsigned mes, dia;
    int hora, minuto, segundo;
};
CamposMomento Campos(Momento m);

// Formats with the patterns yyyy mm dd hh nn ss (any other character is copied),
// e.g. "yyyymmddhhnnss", "dd/mm/yyyy hh:nn:ss", "yyyy-mm-dd hh:nn:ss", "yyyy_mm".
std::string Formatea(Momento m, std::string_view patron);

// Parses "yyyy-mm-dd hh:nn:ss" (the array text's date form); false on anything else.
bool LeeMomento(std::string_view texto, Momento& resultado);

}  // namespace velqor
