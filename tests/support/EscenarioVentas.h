#pragma once
// What the end-to-end tests of the built program share: a sqlsim scenario with one database
// "Ventas" and its application user "ana" (password "secreto"), and a program folder holding a
// connection definition for it.

#include <cstdint>
#include <string>

#include "CarpetaTemporal.h"

namespace velqor::prueba {

// The scenario's JSON. duraciones is the "durations" object's body (milliseconds per statement
// kind); fallos the "faults" array's body; conUsuarios false leaves the database without its user
// table; tablas the "tables" array's body (empty: Clientes.PK_Clientes at 42.5 % and
// Facturas.IX_Facturas_Fecha at 61 %).
std::string EscenarioVentas(const std::string& duraciones, const std::string& fallos = {},
                            bool conUsuarios = true, const std::string& tablas = {});

// Writes carpeta/Ventas.cfp, a SQL Server definition of the database Ventas on 127.0.0.1:puerto,
// with the login time-out given in seconds.
void EscribeDefinicionVentas(const CarpetaTemporal& carpeta, uint16_t puerto, int tiempoLogin = 10);

}  // namespace velqor::prueba
