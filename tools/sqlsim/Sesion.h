#pragma once
// One client connection from PRELOGIN to disconnect: login, SQL batches, the RPCs FreeTDS and
// tedious use (sp_executesql, sp_prepare/sp_prepexec/sp_execute/sp_unprepare), ATTENTION and
// transaction requests, with the scenario's durations and faults applied.

#include <cstdint>
#include <map>
#include <string>

#include "CanalTds.h"
#include "Consulta.h"
#include "Diario.h"
#include "Ejecutor.h"
#include "Escenario.h"
#include "EscritorTds.h"
#include "Estado.h"

namespace velqor::sqlsim {

class Sesion {
  public:
    // `tls` is the server's certificate, null when the scenario offers no encryption.
    Sesion(CanalTds& canal, const Escenario& escenario, const ContextoTls* tls, Estado& estado,
           Diario& diario, int spid);

    // Serves the connection until the client leaves, breaks the protocol or the socket is cut.
    void Atiende();

  private:
    struct Preparada {
        std::string sentencia;
        std::string declaracion;
    };
    enum class Fin { Sigue, Cancelado, Cerrado };

    CanalTds& canal_;
    const Escenario& esc_;
    const ContextoTls* tls_;
    Estado& estado_;
    Diario& diario_;
    Ejecutor ejecutor_;
    ContextoSesion ctx_;
    bool tds72_ = true;
    std::map<int32_t, Preparada> preparadas_;
    int32_t siguienteHandle_ = 1;

    bool Login(const std::string& datos);
    bool AtiendeLote(const std::string& datos);
    bool AtiendeRpc(const std::string& datos);
    bool RespondeAtencion();
    // Runs one batch text into `out`; the final DONE is left to the caller through `final`.
    Fin EjecutaTexto(const std::string& texto, EscritorTds& out, Resultado& final);
    // The status bits of a statement's DONE: MORE and the like in `extra`, ERROR, and COUNT when
    // it has a row count and NOCOUNT is off.
    uint16_t EstadoDone(const Resultado& r, uint16_t extra = 0) const;
    // Waits a simulated duration (-1: until an ATTENTION); an ATTENTION ends it early (and is
    // answered).
    Fin Espera(int ms);
};

}  // namespace velqor::sqlsim
