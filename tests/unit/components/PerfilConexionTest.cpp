#include <gtest/gtest.h>

#include <map>
#include <string>

#include "CarpetaTemporal.h"
#include "common/ErrorEjecucion.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/PerfilConexion.h"

namespace velqor {
namespace {

using prueba::CarpetaTemporal;
using prueba::EscribeBytes;
using namespace std::string_literals;

const std::string kClave = VersionPrograma::kEmpresa;

// Reads an ODBC connection string back into its attributes the way a driver does; keys in lower
// case. By the ODBC rule a braced value ends at a "}" not followed by another "}", and "}}" stands
// for "}". FreeTDS (verified with its 1.3 driver) ends it at the first "}" followed by ";" or the
// end and keeps every other "}" as it is.
std::map<std::string, std::string> LeeCadena(const std::string& cadena, bool freeTds = false) {
    std::map<std::string, std::string> atributos;
    std::size_t i = 0;
    while (i < cadena.size()) {
        const auto igual = cadena.find('=', i);
        EXPECT_NE(igual, std::string::npos) << cadena;
        if (igual == std::string::npos) break;
        std::string clave = cadena.substr(i, igual - i);
        for (char& c : clave) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string valor;
        i = igual + 1;
        if (i < cadena.size() && cadena[i] == '{') {
            for (++i; i < cadena.size(); ++i) {
                if (cadena[i] == '}' && freeTds) {
                    if (i + 1 == cadena.size() || cadena[i + 1] == ';') break;
                    valor.push_back('}');
                } else if (cadena[i] == '}') {
                    if (i + 1 < cadena.size() && cadena[i + 1] == '}') {
                        valor.push_back('}');
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    valor.push_back(cadena[i]);
                }
            }
            ++i;  // the closing brace
            EXPECT_TRUE(i >= cadena.size() || cadena[i] == ';') << cadena;
        } else {
            const auto fin = cadena.find(';', i);
            valor = cadena.substr(i, fin == std::string::npos ? std::string::npos : fin - i);
            i = fin == std::string::npos ? cadena.size() : fin;
        }
        EXPECT_TRUE(atributos.emplace(clave, valor).second)
            << "repeated " << clave << " in " << cadena;
        if (i < cadena.size()) ++i;  // the ";"
    }
    return atributos;
}

class PerfilConexionTest : public ::testing::Test {
  protected:
    // Writes nombre.cfp with texto and loads it.
    bool Carga(const std::string& texto, const std::string& nombre = "Ventas") {
        EscribeBytes(carpeta_.En(nombre + ".cfp"), texto);
        return perfil_.Cargar(kClave, carpeta_.Texto(), nombre);
    }
    std::string Clave(const std::string& contrasena) {
        return Codificador::CifraClave(kClave, contrasena);
    }

    CarpetaTemporal carpeta_;
    PerfilConexion perfil_;
};

TEST_F(PerfilConexionTest, LoadsACommentedDefinition) {
    ASSERT_TRUE(
        Carga("\xEF\xBB\xBF# Sales database\r\n"
              "; written by hand\r\n"
              "[Connection]\r\n"
              "Name = Sales Central\r\n"
              "  kind=2\r\n"
              "SERVER = db01,1433\r\n"
              "Database = Ventas\r\n"
              "User = sa\r\n"
              "Password = " +
              Clave("s3cret") +
              "\r\n"
              "LoginTimeout = 5\r\n"
              "VerifyBackup = Yes\r\n"))
        << perfil_.UltimoError();
    EXPECT_TRUE(perfil_.VerificaBackup());
    EXPECT_EQ(perfil_.Nombre(), "Sales Central");
    EXPECT_EQ(perfil_.Servidor(), "db01,1433");
    EXPECT_EQ(perfil_.NombreBase(), "Ventas");
    EXPECT_EQ(perfil_.TipoBase(), 2);
    EXPECT_EQ(perfil_.TiempoLogin(), 5);
    EXPECT_EQ(perfil_.UltimoError(), "");
    EXPECT_EQ(perfil_.CadenaConexion(kClave, true),
              "Driver={FreeTDS};Server=db01;Port=1433;Database=Ventas;UID=sa;PWD=s3cret;"
              "TDS_Version=7.4;ClientCharset=UTF-8");
}

TEST_F(PerfilConexionTest, NameDefaultsToTheFileNameAndOtherKindsLoad) {
    ASSERT_TRUE(Carga("Kind = 7\nServer = h\nDatabase = d\nIntegrated = yes\n", "Mi base"))
        << perfil_.UltimoError();
    EXPECT_EQ(perfil_.Nombre(), "Mi base");
    EXPECT_EQ(perfil_.TipoBase(), 7);
    EXPECT_EQ(perfil_.TiempoLogin(), 0);
    EXPECT_FALSE(perfil_.VerificaBackup());
}

TEST_F(PerfilConexionTest, ConnectionStringPerDriver) {
    const std::string login = "User = u\nPassword = " + Clave("p") + "\n";
    const struct {
        std::string definicion, cadena;
    } casos[] = {
        {"Server = h\\SQL2019\nDriver = ODBC Driver 18 for SQL Server\nEncrypt = strict\n" + login,
         "Driver={ODBC Driver 18 for SQL "
         "Server};Server=h\\SQL2019;Database=d;UID=u;PWD=p;Encrypt=strict"},
        {"Server = srv.database.windows.net,1433\nDriver = ODBC Driver 18 for SQL Server\nEncrypt "
         "= YES\n" +
             login,
         "Driver={ODBC Driver 18 for SQL "
         "Server};Server=srv.database.windows.net,1433;Database=d;UID=u;PWD=p;"
         "Encrypt=yes"},
        {"Server = h\nEncrypt = no\n" + login,
         "Driver={FreeTDS};Server=h;Database=d;UID=u;PWD=p;TDS_Version=7.4;ClientCharset=UTF-8;"
         "Encryption=off"},
        {"Server = h , 1500\nEncrypt = yes\nDriver = "
         "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so\n" +
             login,
         "Driver={/usr/lib/x86_64-linux-gnu/odbc/"
         "libtdsodbc.so};Servername=velqor;Database=d;UID=u;PWD=p;"
         "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require"},
        {"Server = h\nIntegrated = yes\n",
         "Driver={FreeTDS};Server=h;Database=d;Trusted_Connection=yes;TDS_Version=7.4;"
         "ClientCharset=UTF-8"},
        // FreeTDS checks a certificate only with the CA file of a freetds.conf section.
        {"Server = h,1500\nEncrypt = yes\nCAFile = /etc/ca.pem\n" + login,
         "Driver={FreeTDS};Servername=velqor;Database=d;UID=u;PWD=p;TDS_Version=7.4;"
         "ClientCharset=UTF-8;Encryption=require"},
        {"Server = h,1500\nEncrypt = yes\nTrustServerCertificate = yes\n" + login,
         "Driver={FreeTDS};Server=h;Port=1500;Database=d;UID=u;PWD=p;TDS_Version=7.4;"
         "ClientCharset=UTF-8;Encryption=require"},
        {"Server = h\nDriver = ODBC Driver 18 for SQL Server\nEncrypt = yes\n"
         "TrustServerCertificate = yes\n" +
             login,
         "Driver={ODBC Driver 18 for SQL Server};Server=h;Database=d;UID=u;PWD=p;Encrypt=yes;"
         "TrustServerCertificate=yes"},
    };
    for (const auto& c : casos) {
        ASSERT_TRUE(Carga("Kind = 2\nDatabase = d\n" + c.definicion)) << perfil_.UltimoError();
        EXPECT_EQ(perfil_.CadenaConexion(kClave, true), c.cadena);
    }
}

TEST_F(PerfilConexionTest, FreeTdsIsToldToCheckTheCertificateWhereTheDefinitionAsksForIt) {
    const std::string login = "Kind = 2\nDatabase = d\nUser = u\nPassword = " + Clave("p") + "\n";
    const struct {
        std::string definicion, seccion;
    } casos[] = {
        {"Server = db.example.com,1500\nEncrypt = yes\n",
         "[velqor]\n\thost = db.example.com\n\tport = 1500\n\tca file = system\n"
         "\tcheck certificate hostname = yes\n"},
        {"Server = db\\SQL2019,1600\nEncrypt = yes\n",
         "[velqor]\n\thost = db\n\tport = 1600\n\tca file = system\n"
         "\tcheck certificate hostname = yes\n"},
        {"Server = db\\SQL2019\nEncrypt = strict\nCAFile = /srv/ca.pem\n",
         "[velqor]\n\thost = db\n\tinstance = SQL2019\n\tca file = /srv/ca.pem\n"
         "\tcheck certificate hostname = yes\n"},
        {"Server = db\nEncrypt = yes\nTrustServerCertificate = yes\n", ""},
        {"Server = db\nEncrypt = no\n", ""},
        {"Server = db\n", ""},
        {"Server = db\nEncrypt = yes\nDriver = ODBC Driver 18 for SQL Server\n", ""},
    };
    for (const auto& c : casos) {
        ASSERT_TRUE(Carga(login + c.definicion)) << perfil_.UltimoError();
        EXPECT_EQ(perfil_.ConfFreeTds(), c.seccion) << c.definicion;
    }
}

TEST_F(PerfilConexionTest, ValuesTheGrammarWouldMisreadAreBracedForEachDriver) {
    const std::string contrasena = " a;b}c{d=e}} ";
    for (const bool freeTds : {false, true}) {
        const std::string controlador = freeTds ? "FreeTDS" : "ODBC Driver 18 for SQL Server";
        ASSERT_TRUE(Carga("Kind = 2\nServer = h\nDatabase = Ven;tas}\nUser = o}neil\nPassword = " +
                          Clave(contrasena) + "\nDriver = " + controlador + "\n"))
            << perfil_.UltimoError();
        const std::string cadena = perfil_.CadenaConexion(kClave, true);
        EXPECT_NE(cadena.find(freeTds ? "PWD={ a;b}c{d=e}} }" : "PWD={ a;b}}c{d=e}}}} }"),
                  std::string::npos)
            << cadena;
        const auto atributos = LeeCadena(cadena, freeTds);
        EXPECT_EQ(atributos.at("pwd"), contrasena) << cadena;
        EXPECT_EQ(atributos.at("database"), "Ven;tas}") << cadena;
        EXPECT_EQ(atributos.at("uid"), "o}neil") << cadena;
        EXPECT_EQ(atributos.at("driver"), controlador) << cadena;
        EXPECT_EQ(atributos.at("server"), "h") << cadena;
    }
}

TEST_F(PerfilConexionTest, ValuesFreeTdsCannotReadAreRefusedAtLoading) {
    const std::string base = "Kind = 2\nServer = h\nDatabase = d\nUser = u\n";
    EXPECT_FALSE(Carga(base + "Password = " + Clave("a};b") + "\n"));
    EXPECT_NE(perfil_.UltimoError().find("PWD value holds \"};\""), std::string::npos)
        << perfil_.UltimoError();
    // Microsoft's driver follows the ODBC rule, which can carry it.
    ASSERT_TRUE(
        Carga(base + "Password = " + Clave("a};b") + "\nDriver = ODBC Driver 18 for SQL Server\n"))
        << perfil_.UltimoError();
    EXPECT_EQ(LeeCadena(perfil_.CadenaConexion(kClave, true)).at("pwd"), "a};b");
}

TEST_F(PerfilConexionTest, ValuesFreeTdsSettingsCannotHoldAreRefusedWithTheReason) {
    const std::string login = "Kind = 2\nDatabase = d\nUser = u\nPassword = " + Clave("p") + "\n";
    const std::string cifrado = "Encrypt = yes\n";
    const struct {
        std::string definicion;
        const char* motivo;  // empty: it loads, and FreeTDS reads back exactly what was meant
    } casos[] = {
        {"Server = db,1500\n" + cifrado + "CAFile = #ca.pem\n",
         "CAFile cannot be handed to FreeTDS"},
        {"Server = db\n" + cifrado + "CAFile = ;ca.pem\n", "begin a comment"},
        {"Server = db\n" + cifrado + "CAFile = /etc/ca#1.pem\n", "begin a comment"},
        {"Server = db\n" + cifrado + "CAFile = /etc/my\tca.pem\n", "change its blanks"},
        {"Server = db\n" + cifrado + "CAFile = /etc/my  ca.pem\n", "change its blanks"},
        {"Server = db\n" + cifrado + "CAFile = SYSTEM\n", "CAFile cannot be \"system\""},
        {"Server = db\n" + cifrado + "CAFile = /" + std::string(243, 'c') + "\n",
         "longer than the 243 bytes"},
        {"Server = db\n" + cifrado + "CAFile = /" + std::string(242, 'c') + "\n", ""},
        {"Server = db\n" + cifrado + "CAFile = /etc/my ca.pem\n", ""},
        // Padded past FreeTDS's line, the rest of Server would open a section of its own.
        {"Server = db" + std::string(300, 'x') + "[velqor]\n" + cifrado,
         "Server cannot be handed to FreeTDS"},
        {"Server = db" + std::string(300, ' ') + "[x],1433\n" + cifrado, "Server cannot be"},
        {"Server = db;x\n" + cifrado, "Server cannot be"},
        {"Server = db\\inst#1\n" + cifrado, "Server cannot be"},
        // Without the settings file nothing of this reaches FreeTDS's reader.
        {"Server = db#1\nEncrypt = yes\nTrustServerCertificate = yes\n", ""},
        {"Server = db#1\n", ""},
    };
    for (const auto& c : casos) {
        const bool carga = Carga(login + c.definicion);
        if (*c.motivo == '\0') {
            ASSERT_TRUE(carga) << c.definicion << ": " << perfil_.UltimoError();
            const auto leidas = perfil_.ComprobacionesFreeTds();
            if (!leidas.empty()) {
                EXPECT_EQ(leidas.at("ca file"), perfil_.ArchivoCA());
            }
        } else {
            EXPECT_FALSE(carga) << c.definicion;
            EXPECT_NE(perfil_.UltimoError().find(c.motivo), std::string::npos)
                << "expected \"" << c.motivo << "\" in: " << perfil_.UltimoError();
        }
    }
}

TEST_F(PerfilConexionTest, TheCaFileMustBeThereAndHoldACertificate) {
    const std::string login =
        "Kind = 2\nServer = db\nDatabase = d\nUser = u\nPassword = " + Clave("p") +
        "\nEncrypt = yes\n";
    EscribeBytes(carpeta_.En("ca.pem"),
                 "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n");
    EscribeBytes(carpeta_.En("vacio.pem"), "not a certificate\n");
    const struct {
        std::string archivo;
        const char* motivo;
    } casos[] = {
        {carpeta_.En("ca.pem"), ""},
        {carpeta_.En("falta.pem"), "does not exist"},
        {carpeta_.Texto(), "does not exist or is not a file"},
        {carpeta_.En("vacio.pem"), "holds no PEM certificate"},
    };
    for (const auto& c : casos) {
        ASSERT_TRUE(Carga(login + "CAFile = " + c.archivo + "\n")) << perfil_.UltimoError();
        std::string motivo;
        EXPECT_EQ(perfil_.CompruebaArchivoCA(motivo), *c.motivo == '\0') << c.archivo;
        EXPECT_NE(motivo.find(c.motivo), std::string::npos) << motivo;
        if (*c.motivo != '\0') {
            EXPECT_NE(motivo.find(c.archivo), std::string::npos) << motivo;
        }
    }
}

TEST_F(PerfilConexionTest, StringForShowingLeavesThePasswordOut) {
    ASSERT_TRUE(Carga(
        "Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = " + Clave("secreto") + "\n"));
    const std::string cadena = perfil_.CadenaConexion(kClave, false);
    EXPECT_EQ(cadena.find("secreto"), std::string::npos);
    EXPECT_EQ(LeeCadena(cadena).count("pwd"), 0U);
}

TEST_F(PerfilConexionTest, ConnectionStringNeedsALoadedProfileAndTheRightKey) {
    EXPECT_THROW(perfil_.CadenaConexion(kClave, true), ErrorEjecucion);
    ASSERT_TRUE(
        Carga("Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = " + Clave("p") + "\n"));
    EXPECT_THROW(perfil_.CadenaConexion("Otra", true), ErrorEjecucion);
}

TEST_F(PerfilConexionTest, DamagedDefinitionsAreRefusedWithAReason) {
    const std::string clave = Clave("p");
    const std::string bien =
        "Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = " + clave + "\n";
    const struct {
        std::string texto, motivo;
    } casos[] = {
        {"", "Kind is missing"},
        {"Server = h\nDatabase = d\nIntegrated = yes\n", "Kind is missing"},
        {"Kind = 2\nDatabase = d\nIntegrated = yes\n", "Server is missing"},
        {"Kind = 2\nServer = h\nIntegrated = yes\n", "Database is missing"},
        {"Kind = 2\nServer = h\nDatabase =\nIntegrated = yes\n", "Database is missing"},
        {"Kind = two\nServer = h\nDatabase = d\nIntegrated = yes\n", "Kind must be a whole number"},
        {"Kind = 99999999999\nServer = h\nDatabase = d\nIntegrated = yes\n",
         "Kind must be a whole number"},
        {"Kind = 2x\nServer = h\nDatabase = d\nIntegrated = yes\n", "Kind must be a whole number"},
        {bien + "Colour = blue\n", "line 6: unknown key \"Colour\""},
        {bien + "PasswordPlain = p\n", "unknown key \"PasswordPlain\""},
        {bien + "server = h2\n", "line 6: the key \"server\" is given twice"},
        {bien + "just some words\n", "line 6 is not of the form Key = value"},
        {"[Other]\n" + bien, "line 1: the only section allowed is [Connection]"},
        {bien + "[Connection]\n", "[Connection] must come once"},
        {"Kind = 2\nServer = h,99999\nDatabase = d\nIntegrated = yes\n", "port after"},
        {"Kind = 2\nServer = h,\nDatabase = d\nIntegrated = yes\n", "port after"},
        {"Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = hunter2\n",
         "passwords in clear are refused"},
        {"Kind = 2\nServer = h\nDatabase = d\nUser = u\n", "Password is missing"},
        {"Kind = 2\nServer = h\nDatabase = d\nPassword = " + clave + "\n", "User is missing"},
        {"Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = " +
             Codificador::CifraClave("Otra", "p") + "\n",
         "cannot be decrypted"},
        {"Kind = 2\nServer = h\nDatabase = d\nUser = u\nPassword = enc:AAAA\n",
         "cannot be decrypted"},
        {bien + "Integrated = yes\n", "Integrated = yes takes no User or Password"},
        {bien + "Integrated = maybe\n", "Integrated must be yes or no"},
        {bien + "VerifyBackup = always\n", "VerifyBackup must be yes or no"},
        {bien + "Encrypt = always\n", "Encrypt must be no, yes or strict"},
        {bien + "CAFile = /ca.pem\n", "CAFile and TrustServerCertificate need Encrypt = yes"},
        {bien + "Encrypt = no\nTrustServerCertificate = yes\n", "need Encrypt = yes or strict"},
        {bien + "Encrypt = yes\nTrustServerCertificate = perhaps\n",
         "TrustServerCertificate must be yes or no"},
        {bien + "Encrypt = yes\nCAFile = /ca.pem\nTrustServerCertificate = yes\n",
         "give CAFile or TrustServerCertificate = yes, not both"},
        {bien + "Encrypt = yes\nCAFile =\n", "CAFile is empty"},
        {bien + "Encrypt = yes\nCAFile = /ca.pem\nDriver = ODBC Driver 18 for SQL Server\n",
         "CAFile is read by the FreeTDS driver only"},
        {bien + "LoginTimeout = 0\n", "LoginTimeout must be"},
        {bien + "LoginTimeout = 5s\n", "LoginTimeout must be"},
        {bien + "Driver =\n", "Driver is empty"},
        {bien + "Driver = Odd {driver}\n", "Driver cannot hold"},
        {"Kind = 2\nServer = h\0\x01\x02\nDatabase = d\n"s, "not UTF-8 text"},
        {bien + "Name = caf\xE9\n", "not UTF-8 text"},
        {bien + "Name = \xC0\xAF\n", "not UTF-8 text"},
        {"\x7F"
         "ELF\x02\x01\x01\0\0\0"s,
         "not UTF-8 text"},
        {bien + std::string(1024 * 1024, '#'), "larger than 1 MB"},
        {bien + "MinPages = -1\n", "MinPages must be a whole number of pages"},
        {bien + "MinPages = 1e3\n", "MinPages must be a whole number of pages"},
        {bien + "ReorganizeAbove = 101\n", "ReorganizeAbove must be a percentage from 0 to 100"},
        {bien + "RebuildAbove = 30%\n", "RebuildAbove must be a percentage from 0 to 100"},
        {bien + "RebuildAbove = nan\n", "RebuildAbove must be a percentage from 0 to 100"},
        {bien + "ReorganizeAbove = 40\nRebuildAbove = 30\n",
         "ReorganizeAbove cannot be above RebuildAbove"},
        {bien + "TimeLimit = 0\n", "TimeLimit must be a whole number of seconds from 1"},
        {bien + "TimeLimit = 604801\n", "TimeLimit must be a whole number of seconds from 1"},
        {bien + "LockTimeout = -1\n", "LockTimeout must be a whole number of seconds from 0"},
        {bien + "LockTimeout = 5s\n", "LockTimeout must be a whole number of seconds from 0"},
    };
    for (const auto& c : casos) {
        // A good definition first, so that each failure is also seen to unload the profile.
        ASSERT_TRUE(Carga(bien)) << perfil_.UltimoError();
        EXPECT_FALSE(Carga(c.texto)) << c.motivo;
        EXPECT_NE(perfil_.UltimoError().find(c.motivo), std::string::npos)
            << "expected \"" << c.motivo << "\" in: " << perfil_.UltimoError();
        EXPECT_NE(perfil_.UltimoError().find("Ventas.cfp"), std::string::npos)
            << perfil_.UltimoError();
        EXPECT_EQ(perfil_.Nombre(), "");
        EXPECT_EQ(perfil_.Servidor(), "");
        EXPECT_EQ(perfil_.NombreBase(), "");
        EXPECT_EQ(perfil_.TipoBase(), 0);
        EXPECT_THROW(perfil_.CadenaConexion(kClave, true), ErrorEjecucion);
    }
}

// The policy keys load as written and give them back for writing; without them the policy is
// today's (no key set).
TEST_F(PerfilConexionTest, ThePolicyKeysLoadAndWithoutThemThePolicyIsEmpty) {
    const std::string base = "Kind = 2\nServer = h\nDatabase = d\nIntegrated = yes\n";
    ASSERT_TRUE(Carga(base)) << perfil_.UltimoError();
    EXPECT_TRUE(perfil_.PoliticaDefinida().Claves().empty());
    EXPECT_EQ(perfil_.PoliticaDefinida().Texto(), "none: every index under 100 % scan density");
    ASSERT_TRUE(Carga(base + "minpages = 1000\nReorganizeAbove = 5.5\nREBUILDABOVE = 30\n"
                             "TimeLimit = 3600\nLockTimeout = 0\n"))
        << perfil_.UltimoError();
    const Politica& p = perfil_.PoliticaDefinida();
    EXPECT_EQ(p.minPaginas, 1000);
    EXPECT_EQ(p.reorganizaDesde, 5.5);
    EXPECT_EQ(p.reconstruyeDesde, 30);
    EXPECT_EQ(p.limiteSegundos, 3600);
    EXPECT_EQ(p.esperaBloqueo, 0);
    EXPECT_EQ(p.Texto(),
              "MinPages 1000, ReorganizeAbove 5.5, RebuildAbove 30, TimeLimit 3600, LockTimeout 0");
}

TEST_F(PerfilConexionTest, MissingFilesAndHostileNamesAreRefused) {
    EXPECT_FALSE(perfil_.Cargar(kClave, carpeta_.Texto(), "NoSuchFile"));
    EXPECT_NE(perfil_.UltimoError().find("missing"), std::string::npos);
    std::filesystem::create_directory(carpeta_.En("Folder.cfp"));
    EXPECT_FALSE(perfil_.Cargar(kClave, carpeta_.Texto(), "Folder"));
    EscribeBytes(carpeta_.En("x.cfp"), "Kind = 2\nServer = h\nDatabase = d\nIntegrated = yes\n");
    std::filesystem::create_directory(carpeta_.En("sub"));
    EXPECT_FALSE(perfil_.Cargar(kClave, carpeta_.En("sub"), "../x"));
    EXPECT_NE(perfil_.UltimoError().find("cannot hold a folder"), std::string::npos);
    EXPECT_TRUE(perfil_.Cargar(kClave, carpeta_.Texto(), "x"));
}

TEST_F(PerfilConexionTest, AnExtensionInAnotherCaseIsFoundAsTheListOffersIt) {
    EscribeBytes(carpeta_.En("Upper.CFP"),
                 "Kind = 2\nServer = h\nDatabase = d\nIntegrated = yes\n");
    ASSERT_TRUE(perfil_.Cargar(kClave, carpeta_.Texto(), "Upper")) << perfil_.UltimoError();
    EXPECT_EQ(perfil_.Nombre(), "Upper");
    EXPECT_FALSE(perfil_.Cargar(kClave, carpeta_.Texto(), "upper"));
}

TEST_F(PerfilConexionTest, TheExampleDefinitionLoads) {
    ASSERT_TRUE(perfil_.Cargar(kClave, VELQOR_EJEMPLOS, "Example")) << perfil_.UltimoError();
    EXPECT_EQ(perfil_.TipoBase(), 2);
    EXPECT_EQ(LeeCadena(perfil_.CadenaConexion(kClave, true)).at("pwd"), "Example-Pa55");
}

}  // namespace
}  // namespace velqor
