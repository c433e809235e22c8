// The operator check against UsuariosPW.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MotorPrueba.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class AutenticacionTest : public MotorPrueba {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Crea());
        conn = Conexion();
    }
    bool Entra(const std::string& usuario, const std::string& clave) {
        return motor->Autenticar(*conn, usuario, clave);
    }
    // The user table answers no row to the check (a wrong password), but is not empty.
    void ClaveIncorrecta() {
        guion.Cuando("SELECT * FROM UsuariosPW", Respuesta::Filas({"Usuario_ID"}, {}));
    }
    void ClaveCorrecta() {
        guion.Cuando("SELECT * FROM UsuariosPW",
                     Respuesta::Filas({"Usuario_ID"}, {{Valor::Texto("ana")}}));
    }
    size_t Consultas() const { return guion.Con("SELECT * FROM UsuariosPW").size(); }
    static std::string Cifrada(const std::string& clave) {
        return Codificador::Cifra(VersionPrograma::kEmpresa, clave);
    }
    std::unique_ptr<db::Connection> conn;
};

TEST_F(AutenticacionTest, BlankNameOrPasswordIsRejectedWithoutAskingOrCounting) {
    const std::pair<const char*, const char*> casos[] = {
        {"", "x"}, {"   ", "x"}, {"ana", ""}, {"ana", "  "}};
    for (const auto& [usuario, clave] : casos) EXPECT_FALSE(Entra(usuario, clave));
    EXPECT_THAT(guion.sentencias, IsEmpty());
    EXPECT_EQ(cuadros.size(), 4u);
    ASSERT_EQ(eventos.size(), 4u);
    EXPECT_EQ(eventos[0].texto, "Please give a valid password");
    EXPECT_FALSE(eventos[0].banderaDelPase);
    EXPECT_TRUE(eventos[0].valor);
    // Blank input did not use up any of the three checks.
    ClaveIncorrecta();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Entra("ana", "mal"));
    EXPECT_EQ(Consultas(), 3u);
}

TEST_F(AutenticacionTest, ThreeFailedChecksLockTheEngineUntilANewOne) {
    ClaveIncorrecta();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Entra("ana", "mal"));
    ClaveCorrecta();
    EXPECT_FALSE(Entra("ana", "secreto"));
    EXPECT_EQ(Consultas(), 3u);
    EXPECT_EQ(cuadros.size(), 4u);
    // A new engine starts a new count.
    Libera();
    ASSERT_TRUE(Crea());
    EXPECT_TRUE(Entra("ana", "secreto"));
}

TEST_F(AutenticacionTest, SuccessResetsTheCount) {
    ClaveIncorrecta();
    EXPECT_FALSE(Entra("ana", "mal"));
    EXPECT_FALSE(Entra("ana", "mal"));
    ClaveCorrecta();
    EXPECT_TRUE(Entra("ana", "secreto"));
    ClaveIncorrecta();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Entra("ana", "mal"));
    EXPECT_EQ(Consultas(), 6u);
}

TEST_F(AutenticacionTest, StatementQuotesTheNameAndOnlyExactAdminGetsTheCodeCondition) {
    const struct {
        const char* usuario;
        const char* condicion;
    } casos[] = {
        {"Admin", "(Usuario_ID='Admin' Or Usuario_cd=1)"},
        {"admin", "(Usuario_ID='admin')"},
        {" Admin", "(Usuario_ID=' Admin')"},
        {"O'Brien", "(Usuario_ID='O''Brien')"},
        {" ana ", "(Usuario_ID=' ana ')"},
        {"x') Or (1=1", "(Usuario_ID='x'') Or (1=1')"},
    };
    for (const auto& caso : casos) {
        guion.sentencias.clear();
        EXPECT_TRUE(Entra(caso.usuario, "secreto"));
        EXPECT_THAT(guion.sentencias,
                    ElementsAre("SELECT * FROM UsuariosPW WHERE " + std::string(caso.condicion) +
                                " And (Usuario_PW='" + Cifrada("SECRETO") + "')"));
    }
}

TEST_F(AutenticacionTest, PasswordIsUpperCasedLetterByLetterBeforeCoding) {
    for (const char* clave : {"clé ñandú", "CLÉ ÑANDÚ", "Clé Ñandú"}) {
        guion.sentencias.clear();
        EXPECT_TRUE(Entra("ana", clave));
        EXPECT_THAT(guion.sentencias.at(0),
                    HasSubstr("(Usuario_PW='" + Cifrada("CLÉ ÑANDÚ") + "')"));
    }
}

TEST_F(AutenticacionTest, EmptyUserTableLetsAnyoneIn) {
    ClaveIncorrecta();
    guion.Cuando("SELECT Usuario_cd FROM UsuariosPW", Respuesta::Filas({"Usuario_cd"}, {}));
    EXPECT_TRUE(Entra("quien", "sea"));
    EXPECT_EQ(guion.sentencias.at(1), "SELECT Usuario_cd FROM UsuariosPW");
    EXPECT_THAT(cuadros, IsEmpty());
}

TEST_F(AutenticacionTest, UnattendedRejectionGoesToTheLogInsteadOfAMessageBox) {
    FijaDesatendido(true);
    ClaveIncorrecta();
    EXPECT_FALSE(Entra("ana", "mal"));
    EXPECT_THAT(cuadros, IsEmpty());
    EXPECT_THAT(Textos(), ElementsAre("Please give a valid password"));
    const std::string log = LeeBytes(ArchivoLog());
    EXPECT_THAT(log, HasSubstr("Please give a valid password\r\n"));
    EXPECT_THAT(log, HasSubstr("ana\r\n"));
}

TEST_F(AutenticacionTest, ServerErrorIsReportedWithTheUserAndDoesNotResetTheCount) {
    guion.Cuando("SELECT * FROM UsuariosPW",
                 Respuesta::Rechazo({{208, "Invalid object name 'UsuariosPW'."}}));
    EXPECT_FALSE(Entra("ana", "x"));
    EXPECT_FALSE(Entra("ana", "x"));
    ASSERT_EQ(cuadros.size(), 2u);
    EXPECT_EQ(cuadros[0].rfind(
                  "ana\r\nError 3604: [FreeTDS][SQL Server]Invalid object name 'UsuariosPW'.", 0),
              0u)
        << cuadros[0];
    EXPECT_THAT(cuadros[0], HasSubstr("Native Error 208"));
    EXPECT_THAT(Textos(), IsEmpty());
    ClaveCorrecta();
    EXPECT_TRUE(Entra("ana", "secreto"));  // the third check
    ClaveIncorrecta();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Entra("ana", "mal"));
    EXPECT_EQ(Consultas(), 6u);
}

}  // namespace
}  // namespace velqor::prueba
