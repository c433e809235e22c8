#pragma once
// PerfilConexion: one loaded connection definition (a ".cfp" file beside the program).
// The file format is described in docs/cfp-format.md.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "components/Politica.h"

namespace velqor {

class PerfilConexion {
  public:
    // Loads carpeta/nombre + ".cfp" (or, when that is missing, nombre with ".cfp" in another case,
    // as the database list offers it). clave is the company name, which keys the stored password.
    // False when the file is missing, unreadable or damaged (not UTF-8 text, over 1 MB, an unknown
    // or repeated key, a missing Kind/Server/Database or login, a bad number, a password that is
    // not in its encrypted form or cannot be decrypted with clave); the profile is then left
    // unloaded (every text empty, TipoBase 0) and UltimoError says why ("written for another
    // installation" for a password no key of this installation opens). A password read under the
    // key every copy shares while this installation has its own loads, with a warning
    // (RegistraAviso) saying how to rewrite the file. Values that FreeTDS's settings cannot hold
    // (see ComprobacionesFreeTds) are refused with the reason. Never throws.
    bool Cargar(const std::string& clave, const std::string& carpeta, const std::string& nombre);

    // Why the last Cargar failed (one English sentence naming the file and, where it applies, the
    // line); empty after a successful one.
    const std::string& UltimoError() const { return error_; }

    // The definition's display name: its Name, or the file name without ".cfp" when it has none.
    const std::string& Nombre() const { return nombre_; }
    // The server text (host, "host,port" or "host\instance"); the cloud check searches it.
    const std::string& Servidor() const { return servidor_; }
    // The name of the database to maintain, as written in the definition.
    const std::string& NombreBase() const { return base_; }
    // The kind of database: 2 is Microsoft SQL Server.
    int32_t TipoBase() const { return tipo_; }
    // The login time-out the definition asks for, in seconds; 0 when it names none.
    int32_t TiempoLogin() const { return tiempoLogin_; }
    // True when the definition asks for verified backups (VerifyBackup = yes): backups are taken
    // WITH CHECKSUM and each is checked with RESTORE VERIFYONLY.
    bool VerificaBackup() const { return verificaBackup_; }
    // Which indexes a pass treats and how (MinPages ... LockTimeout); today's behaviour when the
    // definition gives none of those keys.
    const Politica& PoliticaDefinida() const { return politica_; }
    // An ODBC connection string that opens the database; it carries the login itself, so it is
    // opened with an empty user and password. Values with ; { } or edge blanks are braced, "}"
    // doubled for drivers that follow the ODBC rule (not for FreeTDS, which reads braces its own
    // way). With conClave False the password (PWD) is left out, for showing the string to a person.
    // Throws ErrorEjecucion when the profile is not loaded, its password cannot be decrypted with
    // clave, or a value cannot be passed to FreeTDS (one holding "};"); Cargar refuses such a
    // definition already.
    std::string CadenaConexion(const std::string& clave, bool conClave) const;

    // Encrypt as written ("no", "yes", "strict"), empty when the definition leaves it to the
    // driver.
    const std::string& Cifrado() const { return cifrado_; }
    // The CAFile that the server's certificate must chain to; empty: the system's trusted ones.
    const std::string& ArchivoCA() const { return archivoCA_; }
    // True when there is no CAFile, or when it is a regular file this process can read that holds
    // a PEM certificate; otherwise false with motivo, one sentence naming the file and why.
    bool CompruebaArchivoCA(std::string& motivo) const;
    // TrustServerCertificate = yes: any certificate of the server is accepted.
    bool ConfiaCertificado() const { return confiaCertificado_; }
    // The host and TCP port of the server (1433 when Server names none); false for a named
    // instance without a port (host\instance), whose port only the server's browser service knows.
    bool DestinoTcp(std::string& host, uint16_t& puerto) const;
    // The Password value as the file holds it ("enc:..."); empty with Integrated = yes.
    const std::string& ClaveCifrada() const { return claveCifrada_; }
    // The ODBC driver, by registered name or library path.
    const std::string& Controlador() const { return controlador_; }
    // Whether the definition's driver is FreeTDS.
    bool EsFreeTds() const;
    // The freetds.conf section (named "velqor") that the connection string refers to when FreeTDS
    // must check the server's certificate and host name (Encrypt = yes or strict without
    // TrustServerCertificate): FreeTDS reads a CA file only from freetds.conf, and without one it
    // accepts any certificate. Empty when no such section is needed.
    std::string ConfFreeTds() const;
    // The options FreeTDS takes from ConfFreeTds, read as FreeTDS reads them (option name to
    // value: "host", "port" or "instance", "ca file", "check certificate hostname"); empty when no
    // section is needed. Cargar refuses a definition whose values would not read back unchanged.
    std::map<std::string, std::string> ComprobacionesFreeTds() const;

  private:
    // One option of the freetds.conf section and the definition key its value comes from.
    struct AjusteFreeTds {
        std::string opcion, valor, clave;
    };
    std::vector<AjusteFreeTds> AjustesFreeTds() const;
    // Throws the loader's defect when a value of p cannot be handed to FreeTDS as written.
    static void CompruebaAjustesFreeTds(const PerfilConexion& p);

    std::string nombre_, servidor_, base_, controlador_ = "FreeTDS", usuario_, claveCifrada_;
    std::string cifrado_;  // "", "no", "yes", "strict"
    std::string archivoCA_;
    bool confiaCertificado_ = false;
    std::string error_;
    Politica politica_;
    int32_t tipo_ = 0;
    int32_t tiempoLogin_ = 0;  // seconds; 0 = the caller's ConnectionTimeout
    bool integrada_ = false;
    bool verificaBackup_ = false;
    bool cargado_ = false;
};

}  // namespace velqor
