#pragma once
// Diagnostico: what an administrator wants to know about a database before tonight's pass, read
// with statements that change nothing: the server, the recovery model, the last backup, the
// files, the application's user table, how many indexes the pass would treat, and which of its
// steps will not apply and why.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/Politica.h"
#include "db/Connection.h"
#include "engine/EleccionTrato.h"
#include "engine/Velqor.h"

namespace velqor {

struct ArchivoBase {
    std::string nombre;
    std::string tipo;  // ROWS, LOG, ...
    int64_t mb = 0;
};

// A step of the pass that the server will refuse as not applying, with the report's own text.
struct PasoNoAplica {
    std::string paso;    // "Backup Log", "Log Truncate", "Backup Database"
    std::string motivo;  // "Doesn't apply ..."
};

struct Diagnostico {
    std::string version;           // SERVERPROPERTY('ProductVersion'), e.g. 15.0.2000.5
    std::string edicion;           // SERVERPROPERTY('Edition')
    int32_t edicionMotor = 0;      // SERVERPROPERTY('EngineEdition'); 0 when it did not answer
    bool nube = false;             // the server is the cloud service (its dialect says)
    std::string producto;          // "SQL Server" or "Azure SQL Database", as its dialect names it
    std::optional<bool> cifrada;   // the server's word on this connection's encryption
    std::string base;              // DB_NAME()
    std::string recuperacion;      // FULL, BULK_LOGGED or SIMPLE
    bool historiaBackups = false;  // the server shows its backup history (msdb)
    std::optional<Momento> ultimoBackup;  // end of the last full backup, when it shows one
    std::vector<ArchivoBase> archivos;    // in file_id order
    bool tablaUsuarios = false;           // UsuariosPW exists
    int32_t usuarios = 0;                 // its rows
    int32_t indices = 0;                  // surveyed indexes
    int32_t aTratar = 0;                  // under the pass's threshold
    Politica politica;                    // the definition's
    // The indexes under the threshold by what the policy does with each, users off line and on
    // line (the pass's own choice, EleccionTrato); a branch no index falls in is absent.
    std::map<EleccionTrato::Rama, int32_t> ramasFueraDeLinea, ramasEnLinea;
    std::vector<PasoNoAplica> noAplican;
};

// Reads the facts over conn, an open connection of motor (which surveys the indexes as a pass
// does). Throws ErrorEjecucion when the server refuses what every database answers (the version,
// the database, its files); what a server may not show (backup history, the user table) is told
// in the answer instead.
Diagnostico Diagnostica(Velqor& motor, db::Connection& conn);

}  // namespace velqor
