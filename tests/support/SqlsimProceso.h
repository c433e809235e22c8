#pragma once
// A running sqlsim (build/bin/sqlsim, see RutaSqlsim) for one test: started on a free
// port with a scenario and a journal in a temporary folder, stopped (SIGTERM, then waited for)
// when the object ends.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CarpetaTemporal.h"

namespace velqor::prueba {

class SqlsimProceso {
  public:
    // `escenario` is the scenario's JSON text when it starts with '{', otherwise a file path.
    // Throws std::runtime_error when sqlsim cannot be started or does not announce its port
    // within 10 seconds.
    explicit SqlsimProceso(const std::string& escenario);
    ~SqlsimProceso();
    SqlsimProceso(const SqlsimProceso&) = delete;
    SqlsimProceso& operator=(const SqlsimProceso&) = delete;

    uint16_t Puerto() const { return puerto_; }
    pid_t Pid() const { return pid_; }

    // The journal so far: one line per statement batch received, in order (newlines in a
    // statement are written as \n, backslashes as \\).
    std::vector<std::string> LineasDiario() const;
    const std::string& RutaDiario() const { return diario_; }

    // Sends SIGTERM and waits up to `segundos` for the process to end; answers its exit status
    // (as from waitpid), or -1 when it did not end in time (it is then killed).
    int Detiene(int segundos = 10);

    // A DSN-less FreeTDS ODBC connection string for this server (TDS 7.4, UTF-8 client text).
    std::string CadenaConexion(const std::string& base, const std::string& usuario,
                               const std::string& clave) const;

  private:
    CarpetaTemporal carpeta_;
    std::string diario_;
    pid_t pid_ = -1;
    uint16_t puerto_ = 0;
};

// Path of the sqlsim executable of this build (<build>/bin/sqlsim).
std::string RutaSqlsim();

// A DSN-less FreeTDS ODBC connection string for 127.0.0.1:`puerto`.
std::string CadenaFreeTds(uint16_t puerto, const std::string& base, const std::string& usuario,
                          const std::string& clave);

}  // namespace velqor::prueba
