#pragma once
// The error numbers and texts the database layer raises, as ADO raises them for the same faults.

#include <cstdint>

#include "common/ErrorEjecucion.h"

namespace velqor::db::ado {

inline constexpr int32_t kArgumentoInvalido = 3001;
inline constexpr char kTextoArgumentoInvalido[] =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one "
    "another.";
inline constexpr int32_t kSinRegistroActual = 3021;
inline constexpr char kTextoSinRegistroActual[] =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.";
inline constexpr char kTextoCampoInexistente[] =
    "Item cannot be found in the collection corresponding to the requested name or ordinal.";
inline constexpr char kTextoObjetoCerrado[] = "Operation is not allowed when the object is closed.";
inline constexpr int32_t kObjetoAbierto = 3705;
inline constexpr char kTextoObjetoAbierto[] = "Operation is not allowed when the object is open.";
inline constexpr int32_t kOperacionEnCurso = 3711;
inline constexpr char kTextoOperacionEnCurso[] =
    "Operation cannot be performed while executing asynchronously.";
// A login the server refused (wrong user or password).
inline constexpr int32_t kLoginRechazado = -2147217843;
// A statement that ran past the command time-out.
inline constexpr int32_t kTiempoAgotado = -2147217871;
inline constexpr char kTextoSinDiagnostico[] = "Unspecified error";

}  // namespace velqor::db::ado
