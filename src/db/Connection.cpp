#include "db/Connection.h"

namespace velqor::db {
namespace {

// A row of a Recordset, read through Field by name.
class FilaDeRecordset final : public FilaLeida {
  public:
    FilaDeRecordset(const Recordset& rs, const std::vector<std::string>& nombres)
        : rs_(rs), nombres_(nombres) {}
    Valor Campo(std::size_t columna) const override { return rs_.Field(nombres_.at(columna)); }

  private:
    const Recordset& rs_;
    const std::vector<std::string>& nombres_;
};

}  // namespace

std::optional<double> FilaLeida::Numero(std::size_t columna) const {
    const Valor valor = Campo(columna);
    if (!valor.EsNumero()) return std::nullopt;
    return valor.ComoDoble();
}

std::string_view FilaLeida::Texto(std::size_t columna) const {
    texto_ = Campo(columna).ATexto();
    return texto_;
}

bool RecorrePorExecute(Connection& conexion, const std::string& sentencia,
                       const std::vector<std::string>& columnas, const LectorFilas& lee,
                       int32_t opciones) {
    const auto rs = conexion.Execute(sentencia, opciones);
    if (!rs) return false;
    const FilaDeRecordset fila(*rs, columnas);
    for (; !rs->EOF(); rs->MoveNext()) lee(fila);
    rs->Close();
    return true;
}

}  // namespace velqor::db
