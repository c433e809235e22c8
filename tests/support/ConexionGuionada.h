#pragma once
// An in-process scripted db::Connection: each statement is answered by the most recent rule whose
// prefix it starts with (rows, no result set, a server refusal with native errors, or a plain
// run-time error), may take time on a RelojFijo, and is recorded in order in the shared Guion.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RelojFijo.h"
#include "common/ErrorEjecucion.h"
#include "db/Connection.h"

namespace velqor::prueba {

// What the scripted server answers to one statement.
struct Respuesta {
    bool conResultado = false;
    std::vector<std::string> columnas;
    std::vector<Lista> filas;
    std::vector<db::ErrorProveedor> errores;  // not empty: the statement is refused with these
    std::optional<ErrorEjecucion> falla;      // a failure that leaves no provider error
    int segundos = 0;                         // how long the statement takes on the test clock
    std::function<void()> efecto;             // run when the statement arrives

    static Respuesta Nada() { return {}; }
    static Respuesta Filas(std::vector<std::string> columnas, std::vector<Lista> filas);
    // Refused by the server: native errors in order (each with its text), as ODBC reports them.
    static Respuesta Rechazo(std::vector<std::pair<int32_t, std::string>> nativos);
    static Respuesta Falla(int32_t numero, std::string descripcion);
    Respuesta& Tarda(int s) {
        segundos = s;
        return *this;
    }
    Respuesta& Al(std::function<void()> f) {
        efecto = std::move(f);
        return *this;
    }
};

// The script and the journal, shared by the test and every connection made from it.
class Guion {
  public:
    explicit Guion(RelojFijo* reloj = nullptr) : reloj_(reloj) {}

    // Statements starting with prefijo get r; the latest rule added wins; veces > 0 limits its
    // uses.
    void Cuando(std::string prefijo, Respuesta r, int veces = -1);
    // Makes Open fail with r (a refusal or a plain failure).
    void AlAbrir(Respuesta r) { apertura_ = std::move(r); }
    db::FabricaConexion Fabrica();

    // The journal.
    std::vector<std::string> sentencias;
    std::vector<int32_t> opciones;     // the options of each Execute
    std::vector<std::string> cadenas;  // Open: connection string, user, password, options
    int conexionesHechas = 0;
    int cierres = 0;
    int32_t commandTimeout = -1;
    int32_t connectionTimeout = -1;
    bool hookInstalado = false;
    // The statements of the journal that start with prefijo.
    std::vector<std::string> Con(const std::string& prefijo) const;

  private:
    friend class ConexionGuionada;
    const Respuesta* Busca(const std::string& sentencia);

    struct Regla {
        std::string prefijo;
        Respuesta respuesta;
        int veces;
    };
    RelojFijo* reloj_;
    std::vector<Regla> reglas_;
    std::optional<Respuesta> apertura_;
};

}  // namespace velqor::prueba
