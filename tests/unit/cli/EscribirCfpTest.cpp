#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "common/Proceso.h"
#include "components/PerfilConexion.h"
#include "db/VersionControlador.h"

namespace velqor::prueba {
namespace {

class EscribirCfpCli : public ::testing::Test {
  protected:
    CarpetaTemporal carpeta;
    std::string ruta = carpeta.En("Sales.cfp");

    // Loads Sales.cfp as the engine does and answers its connection string.
    std::string CadenaCargada() {
        PerfilConexion perfil;
        EXPECT_TRUE(perfil.Cargar(VersionPrograma::kEmpresa, carpeta.Texto(), "Sales"));
        EXPECT_EQ(perfil.TipoBase(), 2);
        return perfil.CadenaConexion(VersionPrograma::kEmpresa, true);
    }
};

TEST_F(EscribirCfpCli, LoadsBackWithTheRightConnectionString) {
    struct Caso {
        std::vector<std::string> opciones;
        std::string entrada;
        std::string cadena;
    };
    const Caso casos[] = {
        {{"--server", "db01,1433", "--user", "maint", "--password-stdin", "--encrypt",
          "--login-timeout", "15"},
         "p;w{d}\n",
         "Driver={FreeTDS};Servername=velqor;Database=Sales DB;UID=maint;PWD={p;w{d}};"
         "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require"},
        {{"--server", "db01", "--user", "maint", "--password", "x", "--encrypt",
          "--trust-server-certificate"},
         "",
         "Driver={FreeTDS};Server=db01;Database=Sales DB;UID=maint;PWD=x;"
         "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require"},
        {{"--server", "db01", "--user", "maint", "--password", "x", "--encrypt", "--ca-file",
          "/srv/ca.pem"},
         "",
         "Driver={FreeTDS};Servername=velqor;Database=Sales DB;UID=maint;PWD=x;"
         "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require"},
        {{"--server", "db01", "--driver", "ODBC Driver 18 for SQL Server", "--user", "sa",
          "--password", "x", "--encrypt-strict"},
         "",
         "Driver={ODBC Driver 18 for SQL Server};Server=db01;Database=Sales "
         "DB;UID=sa;PWD=x;Encrypt=strict"},
        {{"--server", "db01\\SQL2019", "--driver", "ODBC Driver 18 for SQL Server", "--user", "sa",
          "--password", "x"},
         "",
         "Driver={ODBC Driver 18 for SQL Server};Server=db01\\SQL2019;Database=Sales "
         "DB;UID=sa;PWD=x"},
        {{"--server", "db01", "--integrated"},
         "",
         "Driver={FreeTDS};Server=db01;Database=Sales DB;Trusted_Connection=yes;TDS_Version=7.4;"
         "ClientCharset=UTF-8"},
        // A login may have an empty password.
        {{"--server", "db01", "--user", "sa", "--password-stdin"},
         "\n",
         "Driver={FreeTDS};Server=db01;Database=Sales "
         "DB;UID=sa;PWD=;TDS_Version=7.4;ClientCharset=UTF-8"},
    };
    for (const Caso& caso : casos) {
        std::vector<std::string> argumentos{"write-cfp",  ruta,       "--name", "Sales (night)",
                                            "--database", "Sales DB", "--force"};
        argumentos.insert(argumentos.end(), caso.opciones.begin(), caso.opciones.end());
        ResultadoCli r = EjecutaCli(argumentos, caso.entrada);
        ASSERT_EQ(r.codigo, 0) << r.error;
        EXPECT_EQ(CadenaCargada(), caso.cadena);

        struct stat estado {};
        ASSERT_EQ(stat(ruta.c_str(), &estado), 0);
        EXPECT_EQ(estado.st_mode & 0777, 0600u);
        // Only the definition is left in the folder, and the password is not in clear.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()), {}), 1);
        EXPECT_EQ(LeeBytes(ruta).find("p;w{d}"), std::string::npos);
    }
}

TEST_F(EscribirCfpCli, RefusesWhatWouldNotLoadAndWritesNothing) {
    const std::vector<std::string> base{"--name", "Sales", "--database", "Sales"};
    const std::pair<std::vector<std::string>, std::string> casos[] = {
        {{"--server", "db01"}, "give --user NAME with a password, or --integrated"},
        {{"--server", "db01", "--user", "sa"}, "a password is required"},
        {{"--server", "db01", "--integrated", "--user", "sa"},
         "--integrated takes no --user or password"},
        {{"--server", "db01,99999", "--integrated"}, "a port from 1 to 65535"},
        {{"--server", "db01,", "--integrated"}, "a port from 1 to 65535"},
        {{"--server", " db01", "--integrated"}, "--server must not begin or end with a blank"},
        {{"--server", "db01\nKind = 3", "--integrated"},
         "--server must not hold control characters"},
        {{"--server", "db01", "--integrated", "--login-timeout", "0"}, "from 1 to 3600"},
        {{"--server", "db01", "--integrated", "--login-timeout", "1O"}, "from 1 to 3600"},
        {{"--server", "db01", "--integrated", "--driver", ""}, "--driver must not be blank"},
        {{"--integrated"}, "option --server is required"},
        {{"--server", "db01", "--integrated", "--ca-file", "/ca.pem"},
         "--ca-file and --trust-server-certificate go with --encrypt"},
        {{"--server", "db01", "--integrated", "--encrypt", "--encrypt-strict"},
         "give --encrypt or --encrypt-strict, not both"},
        {{"--server", "db01", "--integrated", "--encrypt", "--ca-file", "/ca.pem",
          "--trust-server-certificate"},
         "give --ca-file or --trust-server-certificate, not both"},
        {{"--server", "db01", "--integrated", "--policy", "aggressive"},
         "--policy takes \"recommended\""},
        {{"--server", "db01", "--integrated", "--min-pages", "many"}, "MinPages must be"},
        {{"--server", "db01", "--integrated", "--policy", "recommended", "--rebuild-above", "4"},
         "ReorganizeAbove cannot be above RebuildAbove"},
        {{"--server", "db01", "--integrated", "--time-limit", "0"}, "TimeLimit must be"},
        {{"--server", "db01", "--integrated", "--lock-timeout", "-5"}, "LockTimeout must be"},
    };
    for (const auto& [opciones, mensaje] : casos) {
        std::vector<std::string> argumentos{"write-cfp", ruta};
        argumentos.insert(argumentos.end(), base.begin(), base.end());
        argumentos.insert(argumentos.end(), opciones.begin(), opciones.end());
        ResultadoCli r = EjecutaCli(argumentos);
        EXPECT_EQ(r.codigo, 2) << mensaje;
        EXPECT_NE(r.error.find(mensaje), std::string::npos) << r.error;
        EXPECT_TRUE(std::filesystem::is_empty(carpeta.Ruta())) << mensaje;
    }
    for (const std::string nombre : {"Sales.txt", "Sales", ".cfp"}) {
        ResultadoCli r = EjecutaCli({"write-cfp", carpeta.En(nombre), "--name", "S", "--server",
                                     "h", "--database", "d", "--integrated"});
        EXPECT_EQ(r.codigo, 2) << nombre;
        EXPECT_NE(r.error.find("must end in \".cfp\""), std::string::npos) << r.error;
    }
}

TEST_F(EscribirCfpCli, ADefinitionThatDoesNotLoadBackLeavesTheOldFileAlone) {
    EscribeBytes(ruta, "keep me");
    // Not UTF-8: the loader refuses the whole file.
    ResultadoCli r = EjecutaCli({"write-cfp", ruta, "--name", "Ventas \xFF", "--server", "db01",
                                 "--database", "Sales", "--integrated", "--force"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find(
                  "nothing was written, the definition does not load back: Connection definition"),
              std::string::npos)
        << r.error;
    EXPECT_EQ(LeeBytes(ruta), "keep me");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()), {}), 1);

    // A password the driver could not be given.
    r = EjecutaCli({"write-cfp", ruta, "--name", "Sales", "--server", "db01", "--database", "Sales",
                    "--user", "sa", "--password-stdin", "--force"},
                   "a};b\n");
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("\"};\""), std::string::npos) << r.error;
    EXPECT_EQ(LeeBytes(ruta), "keep me");
}

TEST_F(EscribirCfpCli, StrictIsRefusedWhenTheInstalledDriverCannotMakeIt) {
    std::string version;
    if (db::ConoceStrict("FreeTDS", version)) GTEST_SKIP() << "the installed FreeTDS knows strict";
    ResultadoCli r = EjecutaCli({"write-cfp", ruta, "--name", "Sales", "--server", "db01",
                                 "--database", "Sales", "--integrated", "--encrypt-strict"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("the installed driver is FreeTDS " + version +
                           ", which cannot make strict (TDS 8) connections"),
              std::string::npos)
        << r.error;
    EXPECT_TRUE(std::filesystem::is_empty(carpeta.Ruta()));
}

TEST_F(EscribirCfpCli, AnExistingDefinitionIsReplacedOnlyWithForce) {
    EscribeBytes(ruta, "keep me");
    const std::vector<std::string> argumentos{"write-cfp",  ruta,       "--name",
                                              "Sales",      "--server", "db01",
                                              "--database", "Sales",    "--integrated"};
    ResultadoCli r = EjecutaCli(argumentos);
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("already exists; add --force"), std::string::npos) << r.error;
    EXPECT_EQ(LeeBytes(ruta), "keep me");
}

TEST_F(EscribirCfpCli, VerifiedBackupsAreAskedForOnlyWithTheFlag) {
    for (const bool verificar : {true, false}) {
        std::vector<std::string> argumentos{"write-cfp",    ruta,     "--name",     "Sales",
                                            "--server",     "db01",   "--database", "Sales",
                                            "--integrated", "--force"};
        if (verificar) argumentos.push_back("--verify-backup");
        ResultadoCli r = EjecutaCli(argumentos);
        ASSERT_EQ(r.codigo, 0) << r.error;
        PerfilConexion perfil;
        ASSERT_TRUE(perfil.Cargar(VersionPrograma::kEmpresa, carpeta.Texto(), "Sales"));
        EXPECT_EQ(perfil.VerificaBackup(), verificar);
    }
}

// The policy options write the keys the engine reads back: the recommended values, each replaced
// by its own option; nothing without them.
TEST_F(EscribirCfpCli, PolicyOptionsWriteTheKeysThatLoadBack) {
    const struct {
        std::vector<std::string> opciones;
        std::string texto;
    } casos[] = {
        {{}, "none: every index under 100 % scan density"},
        {{"--policy", "recommended"}, "MinPages 1000, ReorganizeAbove 5, RebuildAbove 30"},
        {{"--policy", "recommended", "--min-pages", "500", "--time-limit", "7200", "--lock-timeout",
          "30"},
         "MinPages 500, ReorganizeAbove 5, RebuildAbove 30, TimeLimit 7200, LockTimeout 30"},
        {{"--reorganize-above", "10", "--rebuild-above", "40.5"},
         "ReorganizeAbove 10, RebuildAbove 40.5"},
    };
    for (const auto& c : casos) {
        std::vector<std::string> argumentos{"write-cfp",    ruta,     "--name",     "Sales",
                                            "--server",     "db01",   "--database", "Sales",
                                            "--integrated", "--force"};
        argumentos.insert(argumentos.end(), c.opciones.begin(), c.opciones.end());
        ResultadoCli r = EjecutaCli(argumentos);
        ASSERT_EQ(r.codigo, 0) << r.error;
        PerfilConexion perfil;
        ASSERT_TRUE(perfil.Cargar(VersionPrograma::kEmpresa, carpeta.Texto(), "Sales"))
            << perfil.UltimoError();
        EXPECT_EQ(perfil.PoliticaDefinida().Texto(), c.texto);
    }
}

TEST_F(EscribirCfpCli, ANameThatLeadsOutOfTheFolderIsRefused) {
    for (const std::string nombre : {"../x", "a/b", "a\\b", "..", "x..y"}) {
        ResultadoCli r = EjecutaCli({"write-cfp", ruta, "--name", nombre, "--server", "db01",
                                     "--database", "Sales", "--integrated"});
        EXPECT_EQ(r.codigo, 1) << nombre;
        EXPECT_NE(r.error.find("Name cannot hold a path separator"), std::string::npos) << r.error;
        EXPECT_TRUE(std::filesystem::is_empty(carpeta.Ruta())) << nombre;
    }
}

TEST_F(EscribirCfpCli, AReadOnlyDefinitionIsNotReplacedEvenWithForce) {
    EscribeBytes(ruta, "keep me");
    ASSERT_EQ(::chmod(ruta.c_str(), 0444), 0);
    ResultadoCli r = EjecutaCli({"write-cfp", ruta, "--name", "Sales", "--server", "db01",
                                 "--database", "Sales", "--integrated", "--force"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("could not write"), std::string::npos) << r.error;
    EXPECT_EQ(LeeBytes(ruta), "keep me");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.Ruta()), {}), 1);
}

}  // namespace
}  // namespace velqor::prueba
