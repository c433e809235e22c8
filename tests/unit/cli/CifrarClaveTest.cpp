// hash-password must give exactly what the operator check compares with UsuariosPW.Usuario_PW.

#include <gtest/gtest.h>

#include "EjecutaCli.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "db/Connection.h"
#include "engine/Velqor.h"

namespace velqor::prueba {
namespace {

// A connection that records every statement and answers each with one row.
class ConexionGrabadora final : public db::Connection {
  public:
    std::vector<std::string> sentencias;

    void SetCommandTimeout(int32_t) override {}
    void SetConnectionTimeout(int32_t) override {}
    void SetWaitHook(db::WaitHook) override {}
    void Open(const std::string&, const std::string&, const std::string&, int32_t) override {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sentencia, int32_t) override {
        sentencias.push_back(sentencia);
        return std::make_unique<UnaFila>();
    }
    void Close() override {}
    bool IsOpen() const override { return true; }
    const std::vector<db::ErrorProveedor>& Errors() const override { return errores_; }

  private:
    class UnaFila final : public db::Recordset {
      public:
        bool EOF() const override { return leida_; }
        Valor Field(std::string_view) const override { return Valor::Largo(1); }
        void MoveNext() override { leida_ = true; }
        void Close() override {}

      private:
        bool leida_ = false;
    };
    std::vector<db::ErrorProveedor> errores_;
};

// The coded password the operator check sends for clave, taken from its statement.
std::string LoQueEnviaAutenticar(const std::string& clave) {
    Velqor motor;
    ConexionGrabadora conexion;
    EXPECT_TRUE(motor.Autenticar(conexion, "ann", clave));
    EXPECT_FALSE(conexion.sentencias.empty());
    const std::string& sql = conexion.sentencias.at(0);
    const std::string marca = "Usuario_PW='";
    const size_t desde = sql.find(marca) + marca.size();
    return sql.substr(desde, sql.find('\'', desde) - desde);
}

TEST(HashPassword, PrintsWhatTheOperatorCheckSends) {
    for (const std::string clave : {"secret", "MiXeD 123", "crème brûlée", "ÿšœž-ÀÉ", "O'Brien"}) {
        ResultadoCli r = EjecutaCli({"hash-password", "--password", clave});
        ASSERT_EQ(r.codigo, 0) << r.error;
        EXPECT_EQ(r.salida, LoQueEnviaAutenticar(clave) + "\n") << clave;
    }
}

TEST(HashPassword, IsCifraOfTheUpperCasedPasswordWhicheverWayItIsGiven) {
    const std::string esperado = Codificador::Cifra(VersionPrograma::kEmpresa, "CRÈME") + "\n";
    EXPECT_EQ(EjecutaCli({"hash-password", "--password", "crème"}).salida, esperado);
    EXPECT_EQ(EjecutaCli({"hash-password", "--password", "CrÈmE"}).salida, esperado);
    EXPECT_EQ(EjecutaCli({"hash-password", "--password-stdin"}, "crème\r\n").salida, esperado);
}

TEST(HashPassword, RefusesAMissingOrBlankPassword) {
    const std::pair<std::vector<std::string>, std::string> casos[] = {
        {{"hash-password"}, "a password is required"},
        {{"hash-password", "--password", "  "}, "must not be blank"},
        {{"hash-password", "--password-stdin"}, "no password on standard input"},
        {{"hash-password", "--password", "a", "extra"}, "unexpected argument 'extra'"},
    };
    for (const auto& [argumentos, mensaje] : casos) {
        ResultadoCli r = EjecutaCli(argumentos);
        EXPECT_EQ(r.codigo, 2) << mensaje;
        EXPECT_NE(r.error.find(mensaje), std::string::npos) << r.error;
        EXPECT_TRUE(r.salida.empty());
    }
}

}  // namespace
}  // namespace velqor::prueba
