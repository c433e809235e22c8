#pragma once
// PerfilConexion: one loaded connection definition (a ".cfp" file beside the program).
// The file format is described in docs/cfp-format.md.

#include <cstdint>
#include <string>

namespace velqor {

class PerfilConexion {
public:
    // Loads carpeta/nombre + ".cfp". clave is the company name, which keys the stored password.
    // False when the file is missing, unreadable or damaged; the profile is then left unloaded.
    bool Cargar(const std::string& clave, const std::string& carpeta, const std::string& nombre);

    // The definition's display name.
    const std::string& Nombre() const { return nombre_; }
    // The server text (host, "host,port" or "host\instance"); the cloud check searches it.
    const std::string& Servidor() const { return servidor_; }
    // The name of the database to maintain, as written in the definition.
    const std::string& NombreBase() const { return base_; }
    // The kind of database: 2 is Microsoft SQL Server.
    int32_t TipoBase() const { return tipo_; }
    // An ODBC connection string that opens the database (values with ; { } braced and escaped);
    // it carries the login itself, so it is opened with an empty user and password.
    std::string CadenaConexion(const std::string& clave, bool flag) const;

private:
    std::string nombre_, servidor_, base_, controlador_ = "FreeTDS", usuario_, claveCifrada_;
    std::string cifrado_;   // "", "off", "on", "strict"
    int32_t tipo_ = 0;
    int32_t tiempoLogin_ = 0;  // seconds; 0 = the caller's ConnectionTimeout
    bool integrada_ = false;
    bool cargado_ = false;
};

}  // namespace velqor
