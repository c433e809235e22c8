#pragma once
// Runs FreeTDS's tsql and unixODBC's isql against a server and answers everything they print;
// the substring check the tests share.

#include <cstdint>
#include <string>
#include <vector>

namespace velqor::prueba {

// True when `texto` holds `parte`.
bool Contiene(const std::string& texto, const std::string& parte);

// Runs a shell command with `entrada` on its standard input; answers stdout and stderr together.
std::string EjecutaComando(const std::string& comando, const std::string& entrada);

// tsql (TDS 7.4 unless `version` says otherwise) logged in as usuario/clave into `base`; every
// statement is sent as its own batch ("go" after each).
std::string Tsql(uint16_t puerto, const std::string& usuario, const std::string& clave,
                 const std::string& base, const std::vector<std::string>& sentencias,
                 const std::string& version = "7.4");

// isql -k on a DSN-less connection string; one statement per line. `directo` adds -e
// (SQLExecDirect, plain batches); without it isql prepares (RPC sp_prepexec).
std::string Isql(const std::string& cadena, const std::vector<std::string>& sentencias,
                 bool directo = true);

}  // namespace velqor::prueba
