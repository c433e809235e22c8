#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "CarpetaTemporal.h"
#include "common/General.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using prueba::LeeBytes;

struct Aviso {
    std::string texto;
    std::string titulo;
};

class InformaErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstalaCuadroMensaje([this](const std::string& texto, const std::string& titulo) {
            avisos_.push_back({texto, titulo});
        });
        FijaDesatendido(false);
        FijaArchivoLog(carpeta_.En("velqor_20240305100000.log"));
    }
    void TearDown() override {
        InstalaCuadroMensaje({});
        FijaDesatendido(false);
        FijaArchivoLog({});
    }

    CarpetaTemporal carpeta_;
    std::vector<Aviso> avisos_;
};

struct CasoTexto {
    int32_t numero;
    const char* descripcion;
    const char* alternativo;
    const char* textoError;
};

void PrintTo(const CasoTexto& c, std::ostream* os) { *os << c.numero; }

class PrimeraLineaTest : public InformaErrorTest, public ::testing::WithParamInterface<CasoTexto> {};

TEST_P(PrimeraLineaTest, ElCuadroMuestraContextoYError) {
    InformaError(GetParam().numero, GetParam().descripcion, {}, GetParam().alternativo, false,
                 "Context");
    ASSERT_EQ(avisos_.size(), 1u);
    EXPECT_EQ(avisos_[0].texto, std::string("Context\r\n") + GetParam().textoError);
    EXPECT_EQ(avisos_[0].titulo, "Velqor");
    EXPECT_FALSE(std::filesystem::exists(ArchivoLog()));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, PrimeraLineaTest,
    ::testing::Values(CasoTexto{5, "Invalid call", "unused", "Error 5: Invalid call\r\n"},
                      CasoTexto{-2147217900, "Refused", "", "Error 3604: Refused\r\n"},
                      CasoTexto{-2147467259, "Failure", "", "Error -245755: Failure\r\n"},
                      CasoTexto{-2147483647 - 1, "Lowest", "", "Error -262144: Lowest\r\n"},
                      CasoTexto{0, "ignored", "Alternative text", "Alternative text\r\n"},
                      CasoTexto{0, "ignored", "", "\r\n"}));

TEST_F(InformaErrorTest, ErroresNativosDeLaConexion) {
    const std::vector<ErrorProveedor> diagnosticos{
        {4208, "[FreeTDS][SQL Server]Not allowed", "42000"},
        {0, "General", "01000"},
        {-3, "Negative", "HY000"}};
    InformaError(-2147217900, "Not allowed", diagnosticos, "", false, "");
    ASSERT_EQ(avisos_.size(), 1u);
    EXPECT_EQ(avisos_[0].texto,
              "\r\nError 3604: Not allowed\r\n"
              "Native Error 4208: [FreeTDS][SQL Server]Not allowed\r\n"
              "Native Error -3: Negative\r\n");
}

TEST_F(InformaErrorTest, DesatendidoEscribeElRegistro) {
    FijaDesatendido(true);
    const std::vector<ErrorProveedor> diagnosticos{{3201, "Cannot open backup device ñ", "42000"}};
    InformaError(-2147217900, "Backup failed", diagnosticos, "", false, "Backing up");
    InformaError(0, "", {}, "Second", false, "");
    EXPECT_TRUE(avisos_.empty());

    const std::string registro = LeeBytes(ArchivoLog());
    const std::string fecha = "dd/mm/yyyy hh:nn:ss";
    ASSERT_GT(registro.size(), 2 * fecha.size());
    const std::string primera =
        "\r\nError 3604: Backup failed\r\nNative Error 3201: Cannot open backup device \xF1\r\n"
        "\r\nBacking up\r\n\r\n";
    const std::string segunda = "\r\nSecond\r\n\r\n\r\n";
    ASSERT_EQ(registro.size(), 2 * fecha.size() + primera.size() + segunda.size());
    EXPECT_EQ(registro.substr(fecha.size(), primera.size()), primera);
    EXPECT_EQ(registro.substr(2 * fecha.size() + primera.size()), segunda);
    EXPECT_EQ(registro[2], '/');
    EXPECT_EQ(registro[fecha.size() + primera.size() + 13], ':');
}

TEST_F(InformaErrorTest, SilenciosoTambienVaAlRegistroYSeAgrega) {
    const int antes = ErroresRegistrados();
    InformaError(1, "x", {}, "", true, "ctx");
    InformaError(2, "y", {}, "", true, "");
    EXPECT_TRUE(avisos_.empty());
    EXPECT_EQ(ErroresRegistrados(), antes + 2);
    const std::string registro = LeeBytes(ArchivoLog());
    EXPECT_NE(registro.find("\r\nError 1: x\r\n\r\nctx\r\n\r\n"), std::string::npos) << registro;
    EXPECT_TRUE(registro.ends_with("\r\nError 2: y\r\n\r\n\r\n")) << registro;
}

TEST_F(InformaErrorTest, UnRegistroDeOtroProcesoNoSeToca) {
    // Another run started in the same second has already written the log of that name.
    const std::string ajeno = ArchivoLog();
    ASSERT_TRUE(ajeno.ends_with(".log"));
    EscribeBytes(ajeno, "earlier\r\n");
    InformaError(1, "x", {}, "", true, "ctx");
    InformaError(2, "y", {}, "", true, "");
    EXPECT_EQ(LeeBytes(ajeno), "earlier\r\n");
    const std::string propio = ajeno.substr(0, ajeno.size() - 4) + "_2.log";
    EXPECT_EQ(ArchivoLog(), propio);
    const std::string registro = LeeBytes(propio);
    EXPECT_NE(registro.find("Error 1: x"), std::string::npos) << registro;
    EXPECT_NE(registro.find("Error 2: y"), std::string::npos) << registro;
}

TEST_F(InformaErrorTest, UnAvisoVaAlRegistroSinContarComoError) {
    const int antes = ErroresRegistrados();
    RegistraAviso("Warning: readable", "ctx");
    EXPECT_EQ(ErroresRegistrados(), antes);
    EXPECT_TRUE(LeeBytes(ArchivoLog()).ends_with("\r\nWarning: readable\r\n\r\nctx\r\n\r\n"));
}

TEST_F(InformaErrorTest, RegistroImposibleVaASalidaDeErrores) {
    FijaDesatendido(true);
    const std::string log = carpeta_.En("missing/velqor.log");
    FijaArchivoLog(log);
    ::testing::internal::CaptureStderr();
    InformaError(1, "x", {}, "", false, "ctx");
    FijaArchivoLog({});
    InformaError(2, "y", {}, "", false, "");
    const std::string errores = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(avisos_.empty());
    EXPECT_NE(errores.find("The log file " + log + " could not be written:\n"), std::string::npos)
        << errores;
    EXPECT_NE(errores.find("\nError 1: x\n\nctx\n\n"), std::string::npos) << errores;
    EXPECT_NE(errores.find("\nError 2: y\n\n"), std::string::npos) << errores;
    EXPECT_EQ(errores.find('\r'), std::string::npos) << "plain line ends on a terminal";
}

TEST_F(InformaErrorTest, UnRegistroEscritoNoDiceNadaEnSalidaDeErrores) {
    FijaDesatendido(true);
    ::testing::internal::CaptureStderr();
    InformaError(1, "x", {}, "", false, "ctx");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(LeeBytes(ArchivoLog()), "");
}

TEST_F(InformaErrorTest, UnCuadroQueFallaNoSaleDeInformaError) {
    InstalaCuadroMensaje([](const std::string&, const std::string&) { throw std::runtime_error("gone"); });
    EXPECT_NO_THROW(InformaError(1, "x", {}, "", false, "ctx"));
}

TEST_F(InformaErrorTest, MuestraMensajeUsaElTituloDeLaAplicacion) {
    MuestraMensaje("hello");
    MuestraMensaje("again", "Other");
    ASSERT_EQ(avisos_.size(), 2u);
    EXPECT_EQ(avisos_[0].titulo, "Velqor");
    EXPECT_EQ(avisos_[1].titulo, "Other");
}

}  // namespace
}  // namespace velqor
