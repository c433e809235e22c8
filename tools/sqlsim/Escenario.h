#pragma once
// What a scenario file describes: the server and its host, its logins, databases, tables, indexes,
// files, the UsuariosPW rows, statement durations, locks other sessions hold and injected faults.
// Immutable once loaded; what the statements change lives in Estado. The file format is written up
// in README.md.

#include <cstdint>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <vector>

#include "CifradoEsc.h"
#include "Sentencia.h"

namespace velqor::sqlsim {

struct IndiceEsc {
    size_t tabla = 0;  // position in BaseEsc::tablas
    std::string nombre;
    int32_t id = 1;  // 0 = heap
    double densidad = 100.0;
    int32_t paginas = 100;
    std::string nombreU16;  // pre-encoded for result rows
};

struct TablaEsc {
    std::string nombre;
    std::string esquema = "dbo";
    int32_t esquemaId = 1;
    int32_t objectId = 0;
    std::vector<size_t> indices;  // positions in BaseEsc::indices
    std::string nombreU16;
};

struct ArchivoEsc {
    std::string nombre;
    bool log = false;
    int16_t fileId = 1;
    int64_t tamMB = 8;
    int64_t usadoMB = 1;
};

struct UsuarioEsc {
    std::string id;
    std::string pw;
    int32_t cd = 0;
};

struct BaseEsc {
    std::string nombre;
    int16_t dbId = 5;
    bool recuperacionSimple = false;
    std::string modeloRecuperacion = "FULL";  // FULL, BULK_LOGGED or SIMPLE
    bool respaldada = false;
    bool distingueMayusculas = false;
    double densidadDefrag = 95.0;
    std::vector<ArchivoEsc> archivos;
    std::vector<TablaEsc> tablas;
    std::vector<IndiceEsc> indices;
    std::vector<std::string> esquemas;  // by schema_id - 1: dbo, guest, INFORMATION_SCHEMA, sys,
                                        // then the scenario's own
    std::unordered_map<std::string, size_t> tablaPorNombre;  // ClaveTabla -> position
    std::optional<std::vector<UsuarioEsc>> usuarios;         // absent: no UsuariosPW table

    // The table (position in tablas) that an object name's parts stand for here: a one-part name
    // is looked up in the default schema only, and a database part must name this database.
    // nullopt for no parts (a name that did not parse) or a name that resolves to no table.
    std::optional<size_t> Tabla(const std::optional<std::vector<std::string>>& partes) const;
};

// An index (or every index of a table) that another session holds locked, as an open transaction
// that changed the table does: index statements on it wait for the lock or run into a lock timeout.
struct BloqueoEsc {
    size_t base = 0;               // position in Escenario::bases
    size_t tabla = 0;              // position in BaseEsc::tablas
    std::optional<size_t> indice;  // position in BaseEsc::indices; nullopt: the whole table
    int ms = -1;                   // held that long from sqlsim's start; -1: for the whole run
};

// The operating system sys.dm_os_host_info describes.
struct AnfitrionEsc {
    bool esLinux = false;
    std::string distribucion = "Windows Server 2019 Standard";
    std::string version = "10.0";
};

struct FalloEsc {
    enum class Accion { Error, Cortar, Demorar, Colgar };
    bool enLogin = false;
    std::string patron;  // empty matches everything
    std::optional<std::regex> regex;
    int ocurrencia = 0;  // 1-based; 0: every match
    Accion accion = Accion::Error;
    MensajeSql error;
    int ms = 0;
};

struct Escenario {
    int version = 15;  // 9 = SQL Server 2005 ... 15 = 2019
    int edicion = 3;   // SERVERPROPERTY('EngineEdition'): 2 Standard, 3 Enterprise, 4 Express,
                       // 5 the cloud database service
    std::string servidor = "SQLSIM";
    std::map<std::string, std::string> logins;  // user -> password
    std::string baseInicial;
    std::vector<BaseEsc> bases;
    std::map<std::string, int> duraciones;       // statement kind -> simulated milliseconds
    std::map<std::string, int> msPorMilPaginas;  // index statement kind -> ms per 1000 pages
    std::vector<BloqueoEsc> bloqueos;
    AnfitrionEsc anfitrion;
    std::vector<FalloEsc> fallos;
    CifradoEsc cifrado;

    // The database of that name (case-insensitive), or nullptr.
    const BaseEsc* Base(const std::string& nombre) const;
    // Simulated duration of a statement kind in ms (0 when not given).
    int Duracion(const std::string& tipo) const;
    // Simulated duration of an index statement kind over that many pages: the fixed duration plus
    // msPer1000Pages for every 1000 pages (rounded to the millisecond).
    int Duracion(const std::string& tipo, int64_t paginas) const;
    // Whether the edition offers on-line index operations: Enterprise, Developer and Evaluation
    // (3), the cloud database service (5) and its managed instance (8).
    bool IndicesEnLinea() const { return edicion == 3 || edicion == 5 || edicion == 8; }
    // True for the cloud database service (EngineEdition 5).
    bool EsNube() const { return edicion == 5; }
};

// The key of a table in BaseEsc::tablaPorNombre: schema and name, without regard to case.
std::string ClaveTabla(const std::string& esquema, const std::string& nombre);

// Reads a scenario from JSON text. Throws std::runtime_error naming the faulty field.
Escenario CargaEscenario(const std::string& json);

// Upper-case copy of ASCII text (names are compared without case, as with SQL Server's default
// collation).
std::string Mayus(std::string s);

}  // namespace velqor::sqlsim
