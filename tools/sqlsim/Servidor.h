#pragma once
// The listening server: accepts connections on 127.0.0.1 and serves each on its own thread
// until Detiene() is called; then cuts every open connection and waits for their threads.

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "CanalTds.h"
#include "Diario.h"
#include "Escenario.h"
#include "Estado.h"

namespace velqor::sqlsim {

class Servidor {
  public:
    // Binds 127.0.0.1:`puerto` (0: a free port). Throws std::runtime_error when it cannot listen
    // or cannot use the scenario's certificate and key.
    Servidor(const Escenario& escenario, Diario& diario, uint16_t puerto);
    ~Servidor();
    Servidor(const Servidor&) = delete;
    Servidor& operator=(const Servidor&) = delete;

    uint16_t Puerto() const { return puerto_; }

    // Accepts and serves connections until Detiene() is called (from any thread).
    void Sirve();
    // Stops accepting and cuts every open connection; Sirve() returns once all are finished.
    void Detiene();

  private:
    struct Conexion {
        std::unique_ptr<CanalTds> canal;
        std::thread hilo;
        std::atomic<bool> terminada{false};
    };

    const Escenario& esc_;
    std::unique_ptr<ContextoTls> tls_;  // the certificate, when the scenario offers encryption
    Estado estado_;
    Diario& diario_;
    int escucha_ = -1;
    int avisoLectura_ = -1, avisoEscritura_ = -1;  // self-pipe that wakes Sirve() on Detiene()
    uint16_t puerto_ = 0;
    std::atomic<bool> detenido_{false};
    std::mutex m_;
    std::list<Conexion> conexiones_;
    int siguienteSpid_ = 51;

    void Recoge(bool todas);
};

}  // namespace velqor::sqlsim
