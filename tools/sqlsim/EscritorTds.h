#pragma once
// Encodes TDS tokens (7.1 or 7.2+ layouts) into one response's token stream. Rows are written
// straight into the stream, so large result sets cost one append per value.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Sentencia.h"

namespace velqor::sqlsim {

namespace tds {
constexpr uint8_t kNVarchar = 0xE7, kIntN = 0x26, kFltN = 0x6D, kBitN = 0x68, kDateTimN = 0x6F;
constexpr uint8_t kDone = 0xFD, kDoneProc = 0xFE, kDoneInProc = 0xFF;
constexpr uint16_t kMas = 0x01, kError = 0x02, kCuenta = 0x10, kAtencion = 0x20;
}  // namespace tds

struct Columna {
    std::string nombre;
    uint8_t tipo = tds::kNVarchar;
    uint16_t longitud = 128;  // NVARCHAR: characters; INTN/FLTN: bytes
};

class EscritorTds {
  public:
    // `tds72`: 7.2+ layouts (else 7.1); `servidor`: server name written into messages.
    EscritorTds(bool tds72, std::string servidor);

    const std::string& Datos() const { return d_; }
    void Vacia() { d_.clear(); }
    void Reserva(size_t bytes) { d_.reserve(d_.size() + bytes); }
    // Statement ends are written as DONEINPROC (inside an RPC) instead of DONE while set.
    void EnProcedimiento(bool si) { enProc_ = si; }

    void Columnas(const std::vector<Columna>& columnas);
    void IniciaFila() { d_ += '\xD1'; }
    void NVarchar(std::string_view utf8);
    void NVarcharU16(std::string_view utf16);  // already UTF-16LE
    void Entero(int64_t v, uint8_t bytes);
    void Flotante(double v);
    // A DATETIME from "yyyy-mm-dd hh:mm:ss" (seconds as the finest part).
    void FechaHora(std::string_view texto);
    void Bit(bool v);
    void Nulo(const Columna& c);

    void Mensaje(const MensajeSql& m);
    // Ends a statement inside a batch: DONE (or DONEINPROC inside an RPC).
    void FinSentencia(uint16_t estado, uint64_t cuenta = 0);
    void Done(uint8_t token, uint16_t estado, uint64_t cuenta = 0);
    void CambioBase(std::string_view nueva, std::string_view anterior);
    void CambioIntercalacion();
    void CambioIdioma();
    void CambioPaquete(uint32_t tam);
    void LoginAck(uint32_t versionTds, int versionServidor);
    void EstadoRetorno(int32_t valor);
    void ValorRetornoEntero(int32_t valor);

  private:
    bool tds72_;
    bool enProc_ = false;
    std::string servidor_;
    std::string d_;

    void U8(uint8_t v) { d_ += static_cast<char>(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void U64(uint64_t v);
    void BVarchar(std::string_view utf8);
    void Cambio(uint8_t tipo, std::string_view nuevoU16, std::string_view anteriorU16, bool bytes);
};

}  // namespace velqor::sqlsim
