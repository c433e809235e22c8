// write-launch and show-launch against the component the unattended start reads with.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::prueba {
namespace {

class LanzamientoCli : public ::testing::Test {
  protected:
    CarpetaTemporal carpeta;
    CarpetaTemporal programa;  // holds Sales.cfp (a cloud database) and Local.cfp (a server)
    std::string ruta = carpeta.En("night.ZEVcos");

    void SetUp() override {
        for (const auto& [nombre, servidor] :
             {std::pair{"Sales", "sales.database.windows.net"}, std::pair{"Local", "db01"}}) {
            ASSERT_EQ(
                EjecutaCli({"write-cfp", programa.En(std::string(nombre) + ".cfp"), "--name",
                            nombre, "--server", servidor, "--database", nombre, "--integrated"})
                    .codigo,
                0);
        }
    }

    // velqor-config, with write-launch pointed at the program folder.
    ResultadoCli Ejecuta(std::vector<std::string> argumentos, const std::string& entrada = {}) {
        if (!argumentos.empty() && argumentos[0] == "write-launch") {
            argumentos.insert(argumentos.end(), {"--program-folder", programa.Texto()});
        }
        return EjecutaCli(argumentos, entrada);
    }

    Lista LeeComoElArranque() {
        Lista valores;
        EXPECT_TRUE(Codificador::LeeArchivo(VersionPrograma::kEmpresa, ruta, valores, true));
        return valores;
    }
};

TEST_F(LanzamientoCli, LeeArchivoGivesBackTheSevenValuesWithTheirKinds) {
    struct Caso {
        std::vector<std::string> opciones;
        std::string entrada;
        Lista esperados;
    };
    const Caso casos[] = {
        {{"--password", "s3cret", "--offline", "--backup-folder", "D:\\Backups"},
         "",
         {Valor::Texto("Sales"), Valor::Texto("/srv/reports"), Valor::Texto("O'Brien"),
          Valor::Texto("s3cret"), Valor::Largo(0), Valor::Logico(false),
          Valor::Texto("D:\\Backups")}},
        // Password from standard input (CR LF removed, inner blanks kept), on line, no backup
        // folder (cloud).
        {{"--password-stdin", "--online"},
         "pässword with blanks\r\nsecond line\n",
         {Valor::Texto("Sales"), Valor::Texto("/srv/reports"), Valor::Texto("O'Brien"),
          Valor::Texto("pässword with blanks"), Valor::Largo(0), Valor::Logico(true),
          Valor::Texto("")}},
    };
    for (const Caso& caso : casos) {
        std::vector<std::string> argumentos{
            "write-launch", ruta,     "--database", "Sales",  "--report-folder",
            "/srv/reports", "--user", "O'Brien",    "--force"};
        argumentos.insert(argumentos.end(), caso.opciones.begin(), caso.opciones.end());
        ResultadoCli r = Ejecuta(argumentos, caso.entrada);
        ASSERT_EQ(r.codigo, 0) << r.error;

        const Lista valores = LeeComoElArranque();
        ASSERT_EQ(valores.size(), 7u);
        for (size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(valores[i].tipo(), caso.esperados[i].tipo()) << "value " << i;
            EXPECT_EQ(valores[i], caso.esperados[i]) << "value " << i;
        }
        struct stat estado {};
        ASSERT_EQ(stat(ruta.c_str(), &estado), 0);
        EXPECT_EQ(estado.st_mode & 0777, 0600u);
    }
}

TEST_F(LanzamientoCli, ShowLaunchPrintsTheValuesByNameAndMasksThePassword) {
    ASSERT_EQ(
        Ejecuta({"write-launch", ruta, "--database", "Sales", "--report-folder", "/srv/r", "--user",
                 "ann", "--password", "Tr0ub4dor", "--online", "--backup-folder", "/var/bak"})
            .codigo,
        0);
    ResultadoCli r = EjecutaCli({"show-launch", ruta});
    ASSERT_EQ(r.codigo, 0) << r.error;
    EXPECT_EQ(r.salida,
              "0 Database:       Sales\n"
              "1 Report folder:  /srv/r\n"
              "2 User:           ann\n"
              "3 Password:       ********\n"
              "4 Reserved:       0\n"
              "5 Users on line:  yes (defragment)\n"
              "6 Backup folder:  /var/bak\n");
    EXPECT_EQ(r.error, "") << "written for its owner only";

    // A file others can read holds a password they can take: show-launch warns about it.
    ASSERT_EQ(chmod(ruta.c_str(), 0644), 0);
    r = EjecutaCli({"show-launch", ruta});
    EXPECT_EQ(r.codigo, 0);
    EXPECT_NE(r.error.find("can be read by other users"), std::string::npos) << r.error;
    EXPECT_NE(r.salida.find("0 Database:       Sales"), std::string::npos);

    const ResultadoCli j = EjecutaCli({"show-launch", ruta, "--json"});
    ASSERT_EQ(j.codigo, 0) << j.error;
    EXPECT_EQ(nlohmann::json::parse(j.salida),
              nlohmann::json::parse(R"({"database": "Sales", "reportFolder": "/srv/r",
                  "user": "ann", "passwordSet": true, "reserved": 0, "usersOnLine": true,
                  "backupFolder": "/var/bak"})"));
    EXPECT_EQ(j.salida.find("Tr0ub4dor"), std::string::npos);
}

TEST_F(LanzamientoCli, ShowLaunchRefusesTamperedForeignAndMissingFiles) {
    ASSERT_EQ(Ejecuta({"write-launch", ruta, "--database", "Sales", "--report-folder", "/srv/r",
                       "--user", "ann", "--password", "pw", "--offline"})
                  .codigo,
              0);
    std::string bytes = LeeBytes(ruta);
    ASSERT_GT(bytes.size(), 10u);

    std::string alterado = bytes;
    alterado[alterado.size() / 2] ^= 0x01;
    EscribeBytes(carpeta.En("tampered.ZEVcos"), alterado);
    EscribeBytes(carpeta.En("cut.ZEVcos"), bytes.substr(0, bytes.size() - 1));
    EscribeBytes(carpeta.En("text.ZEVcos"), "Database=Sales\r\n");
    ASSERT_TRUE(Codificador::GuardaArchivo("Another company", LeeComoElArranque(),
                                           carpeta.En("foreign.ZEVcos"), true));
    // Right key, but not the seven values of a launch configuration.
    ASSERT_TRUE(Codificador::GuardaArchivo(VersionPrograma::kEmpresa, {Valor::Texto("Sales")},
                                           carpeta.En("short.ZEVcos"), true));

    const std::pair<std::string, std::string> casos[] = {
        {"tampered.ZEVcos", "not a launch configuration of this program, or it was altered"},
        {"cut.ZEVcos", "not a launch configuration of this program, or it was altered"},
        {"text.ZEVcos", "not a launch configuration of this program, or it was altered"},
        {"foreign.ZEVcos", "not a launch configuration of this program, or it was altered"},
        {"short.ZEVcos", "is not a launch configuration: it holds 1 values instead of 7"},
        {"missing.ZEVcos", "no such file"},
    };
    for (const auto& [nombre, mensaje] : casos) {
        ResultadoCli r = EjecutaCli({"show-launch", carpeta.En(nombre)});
        EXPECT_EQ(r.codigo, 1) << nombre;
        EXPECT_NE(r.error.find(mensaje), std::string::npos) << nombre << ": " << r.error;
        EXPECT_TRUE(r.salida.empty()) << nombre;
    }
}

TEST_F(LanzamientoCli, WriteLaunchWarnsOfAReportFolderThePassCannotWrite) {
    EscribeBytes(carpeta.En("archivo"), "not a folder");
    const struct {
        std::string carpeta;
        std::string aviso;  // empty: standard error stays empty
    } casos[] = {
        {carpeta.Texto(), ""},
        {"/srv/reports-missing-" + std::to_string(::getpid()),
         "does not exist; the pass will create it"},
        {carpeta.En("archivo/informes"), "does not exist and cannot be created: Not a directory"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.carpeta);
        const ResultadoCli r =
            Ejecuta({"write-launch", ruta, "--database", "Local", "--report-folder", caso.carpeta,
                     "--user", "ann", "--password", "pw", "--offline", "--backup-folder", "/b",
                     "--force"});
        EXPECT_EQ(r.codigo, 0) << "written all the same: " << r.error;
        EXPECT_TRUE(std::filesystem::exists(ruta));
        if (caso.aviso.empty()) {
            EXPECT_EQ(r.error, "");
        } else {
            EXPECT_NE(r.error.find("velqor-config: Warning: the report folder " + caso.carpeta),
                      std::string::npos)
                << r.error;
            EXPECT_NE(r.error.find(caso.aviso), std::string::npos) << r.error;
        }
    }
}

TEST_F(LanzamientoCli, WriteLaunchRefusesIncompleteInputAndWritesNothing) {
    const std::vector<std::string> base{"--database", "Sales",  "--report-folder",
                                        "/r",         "--user", "ann"};
    struct Caso {
        std::vector<std::string> extra;
        std::string entrada;
        std::string mensaje;
    };
    const Caso casos[] = {
        {{"--password", "pw"}, "", "give exactly one of --online and --offline"},
        {{"--password", "pw", "--online", "--offline"},
         "",
         "give exactly one of --online and --offline"},
        {{"--online"}, "", "a password is required"},
        {{"--online", "--password", "pw", "--password-stdin"}, "pw\n", "give only one of"},
        {{"--online", "--password-stdin"}, "", "no password on standard input"},
        {{"--online", "--password", "   "}, "", "the password must not be blank"},
        {{"--online", "--password", "pw", "--database", "x"}, "", "given more than once"},
    };
    for (const Caso& caso : casos) {
        std::vector<std::string> argumentos{"write-launch", ruta};
        argumentos.insert(argumentos.end(), base.begin(), base.end());
        argumentos.insert(argumentos.end(), caso.extra.begin(), caso.extra.end());
        ResultadoCli r = Ejecuta(argumentos, caso.entrada);
        EXPECT_EQ(r.codigo, 2) << caso.mensaje;
        EXPECT_NE(r.error.find(caso.mensaje), std::string::npos) << r.error;
        EXPECT_FALSE(std::filesystem::exists(ruta)) << caso.mensaje;
    }
    const std::pair<std::vector<std::string>, std::string> faltas[] = {
        {{"--report-folder", "/r", "--user", "ann"}, "option --database is required"},
        {{"--database", " ", "--report-folder", "/r", "--user", "ann"},
         "option --database must not be blank"},
        {{"--database", "Sales.cfp", "--report-folder", "/r", "--user", "ann"},
         "without \".cfp\": Sales"},
        {{"--database", "/opt/Sales", "--report-folder", "/r", "--user", "ann"}, "not a path"},
        {{"--database", "Sales", "--user", "ann"}, "option --report-folder is required"},
        {{"--database", "Sales", "--report-folder", "/r"}, "option --user is required"},
    };
    for (const auto& [opciones, mensaje] : faltas) {
        std::vector<std::string> argumentos{"write-launch", ruta, "--password", "pw", "--online"};
        argumentos.insert(argumentos.end(), opciones.begin(), opciones.end());
        ResultadoCli r = Ejecuta(argumentos);
        EXPECT_EQ(r.codigo, 2) << mensaje;
        EXPECT_NE(r.error.find(mensaje), std::string::npos) << r.error;
        EXPECT_FALSE(std::filesystem::exists(ruta)) << mensaje;
    }
}

TEST_F(LanzamientoCli, AnExistingFileIsReplacedOnlyWithForce) {
    EscribeBytes(ruta, "keep me");
    const std::vector<std::string> argumentos{"write-launch",    ruta, "--database", "Sales",
                                              "--report-folder", "/r", "--user",     "ann",
                                              "--password",      "pw", "--online"};
    ResultadoCli r = Ejecuta(argumentos);
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("already exists; add --force"), std::string::npos) << r.error;
    EXPECT_EQ(LeeBytes(ruta), "keep me");

    std::vector<std::string> forzado = argumentos;
    forzado.push_back("--force");
    ASSERT_EQ(Ejecuta(forzado).codigo, 0);
    EXPECT_EQ(LeeComoElArranque().at(0), Valor::Texto("Sales"));
}

TEST_F(LanzamientoCli, AFolderThatCannotBeWrittenIsAFailure) {
    ResultadoCli r =
        Ejecuta({"write-launch", carpeta.En("missing/night.ZEVcos"), "--database", "Sales",
                 "--report-folder", "/r", "--user", "ann", "--password", "pw", "--online"});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_NE(r.error.find("could not write"), std::string::npos) << r.error;
}

TEST_F(LanzamientoCli, WriteLaunchRefusesWhatTheWindowsSaveWouldRefuse) {
    const struct {
        std::vector<std::string> opciones;
        std::string mensaje;
    } casos[] = {
        {{"--database", "Nada", "--report-folder", "/r"},
         "--database Nada is not a definition beside the program"},
        {{"--database", "Local", "--report-folder", "/r"},
         "--backup-folder is required: Local is not a cloud database"},
        {{"--database", "Local", "--report-folder", "/r", "--backup-folder", "  "},
         "--backup-folder is required"},
        {{"--database", "Sales", "--report-folder", "informes"},
         "--report-folder must be an absolute path"},
    };
    for (const auto& caso : casos) {
        std::vector<std::string> argumentos{"write-launch", ruta, "--user",   "ann",
                                            "--password",   "pw", "--offline"};
        argumentos.insert(argumentos.end(), caso.opciones.begin(), caso.opciones.end());
        const ResultadoCli r = Ejecuta(argumentos);
        EXPECT_EQ(r.codigo, 2) << caso.mensaje;
        EXPECT_NE(r.error.find(caso.mensaje), std::string::npos) << r.error;
        EXPECT_FALSE(std::filesystem::exists(ruta));
    }
    // A server's definition with its backup folder is what the window saves.
    EXPECT_EQ(
        Ejecuta({"write-launch", ruta, "--user", "ann", "--password", "pw", "--offline",
                 "--database", "Local", "--report-folder", "/r", "--backup-folder", "D:\\Bak"})
            .codigo,
        0);
}

}  // namespace
}  // namespace velqor::prueba
