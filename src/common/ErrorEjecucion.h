#pragma once
// The project's run-time error: a number and a description, as a VB-style error carries them.
// Operations trap it at their own boundary and answer a Boolean; it never crosses a public
// engine or window operation.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velqor {

class ErrorEjecucion : public std::runtime_error {
public:
    ErrorEjecucion(int32_t numero, std::string descripcion)
        : std::runtime_error(descripcion), numero_(numero), descripcion_(std::move(descripcion)) {}
    int32_t Numero() const { return numero_; }
    const std::string& Descripcion() const { return descripcion_; }

private:
    int32_t numero_;
    std::string descripcion_;
};

// Numbers used across the project.
namespace errores {
inline constexpr int32_t kInterrumpido = 18;              // "User interrupt occurred"
inline constexpr int32_t kTipoIncompatible = 13;          // "Type mismatch"
inline constexpr int32_t kErrorProveedor = -2147217900;   // a statement the server refused
inline constexpr int32_t kFalloGeneral = -2147467259;     // provider failure: lost link, login, driver
inline constexpr int32_t kCampoInexistente = 3265;        // field name not in the record set
inline constexpr int32_t kObjetoCerrado = 3704;           // operation on a closed object
inline constexpr int32_t kObjetoNoEstablecido = 91;       // "Object variable or With block variable not set"
}  // namespace errores

}  // namespace velqor
