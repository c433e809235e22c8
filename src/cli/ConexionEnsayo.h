#pragma once
// ConexionEnsayo: the connection of a dry run. Statements that only read (SELECT, DBCC
// SHOWCONTIG) reach the server; every other statement is written down instead of run and
// answered as done without a result. Everything the engine sends is journaled in order.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/Connection.h"

namespace velqor::cli {

struct SentenciaEnsayada {
    std::string texto;
    bool enviada = false;            // it only reads, so the server ran it
    std::optional<double> densidad;  // the density a single-index measurement read
};

class ConexionEnsayo final : public db::Connection {
  public:
    // real: the connection read statements go to; diario: where every statement is written down
    // (it must outlive this connection).
    ConexionEnsayo(std::unique_ptr<db::Connection> real, std::vector<SentenciaEnsayada>& diario);

    // True for a statement that changes nothing: a SELECT without INTO, or DBCC SHOWCONTIG.
    static bool SoloLee(const std::string& sentencia);

    void SetCommandTimeout(int32_t segundos) override;
    void SetConnectionTimeout(int32_t segundos) override;
    void SetWaitHook(db::WaitHook hook) override;
    void Open(const std::string& cadena, const std::string& usuario, const std::string& clave,
              int32_t opciones) override;
    std::unique_ptr<db::Recordset> Execute(const std::string& sentencia, int32_t opciones) override;
    void Close() override;
    bool IsOpen() const override;
    const std::vector<db::ErrorProveedor>& Errors() const override;

  private:
    std::unique_ptr<db::Connection> real_;
    std::vector<SentenciaEnsayada>& diario_;
};

}  // namespace velqor::cli
