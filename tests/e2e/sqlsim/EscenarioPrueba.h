#pragma once
// The scenario the sqlsim end-to-end tests start from; tests adjust fields before starting it.

#include <nlohmann/json.hpp>

namespace velqor::prueba {

// Server 2019, login sa / "Clave;1". Databases: Ventas (FULL, backed up; tables Clientes and
// O'Brien, log files "Ventas_log" and "Otro log", two UsuariosPW rows), "Mi Base" (SIMPLE) and
// Nueva (FULL, never backed up, no UsuariosPW table).
nlohmann::json EscenarioPrueba();

inline constexpr const char* kUsuario = "sa";
inline constexpr const char* kClave = "Clave;1";

}  // namespace velqor::prueba
