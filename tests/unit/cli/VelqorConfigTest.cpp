#include <gtest/gtest.h>

#include "CarpetaTemporal.h"
#include "EjecutaCli.h"
#include "common/General.h"

namespace velqor::prueba {
namespace {

const std::vector<std::string> kSubcomandos{
    "write-launch", "show-launch", "write-cfp", "hash-password", "history", "check", "plan"};

TEST(VelqorConfig, HelpListsEverySubcommand) {
    ResultadoCli r = EjecutaCli({"--help"});
    EXPECT_EQ(r.codigo, 0);
    for (const std::string& nombre : kSubcomandos)
        EXPECT_NE(r.salida.find(nombre), std::string::npos) << nombre;
}

TEST(VelqorConfig, EverySubcommandHasItsOwnHelp) {
    for (const std::string& nombre : kSubcomandos) {
        for (const auto& argumentos :
             {std::vector<std::string>{nombre, "--help"}, std::vector<std::string>{nombre, "-h"},
              std::vector<std::string>{"help", nombre}}) {
            ResultadoCli r = EjecutaCli(argumentos);
            EXPECT_EQ(r.codigo, 0) << nombre;
            EXPECT_EQ(r.salida.rfind("Usage: velqor-config " + nombre, 0), 0u) << r.salida;
            EXPECT_TRUE(r.error.empty());
        }
    }
}

TEST(VelqorConfig, WrongCommandLinesExitWithTwoAndSayWhy) {
    struct Caso {
        std::vector<std::string> argumentos;
        std::string mensaje;
    };
    const Caso casos[] = {
        {{}, "Usage: velqor-config"},
        {{"frobnicate"}, "unknown subcommand 'frobnicate'"},
        {{"help", "frobnicate"}, "unknown subcommand 'frobnicate'"},
        {{"show-launch"}, "missing FILE"},
        {{"show-launch", "a", "b"}, "unexpected argument 'b'"},
        {{"history", "--colour", "x"}, "unknown option --colour"},
    };
    for (const Caso& caso : casos) {
        ResultadoCli r = EjecutaCli(caso.argumentos);
        EXPECT_EQ(r.codigo, 2) << caso.mensaje;
        EXPECT_NE(r.error.find(caso.mensaje), std::string::npos) << r.error;
        EXPECT_TRUE(r.salida.empty());
    }
}

TEST(VelqorConfig, VersionIsTheProgramsOwn) {
    ResultadoCli r = EjecutaCli({"--version"});
    EXPECT_EQ(r.codigo, 0);
    EXPECT_EQ(r.salida, "velqor-config 2.0.7\n");
}

// Where a password comes from: exactly one source, a file's first line, never a guess.
TEST(VelqorConfig, PasswordsComeFromOneSourceOnly) {
    CarpetaTemporal carpeta;
    const std::string archivo = carpeta.En("pw.txt");
    EscribeBytes(archivo, "de archivo\r\nsegunda\n");
    const std::string esperado = EjecutaCli({"hash-password", "--password", "de archivo"}).salida;
    ASSERT_FALSE(esperado.empty());
    EXPECT_EQ(EjecutaCli({"hash-password", "--password-file", archivo}).salida, esperado);
    const struct {
        std::vector<std::string> opciones;
        std::string mensaje;
    } casos[] = {
        {{"--password-file", carpeta.En("falta.txt")}, "no password could be read from"},
        {{"--password-file", archivo, "--password", "x"}, "give only one of"},
        {{}, "a password is required"},  // standard input is no terminal here: no prompt
    };
    for (const auto& caso : casos) {
        std::vector<std::string> argumentos{"hash-password"};
        argumentos.insert(argumentos.end(), caso.opciones.begin(), caso.opciones.end());
        const ResultadoCli r = EjecutaCli(argumentos, "no se lee\n");
        EXPECT_EQ(r.codigo, 2) << caso.mensaje;
        EXPECT_NE(r.error.find(caso.mensaje), std::string::npos) << r.error;
    }
}

}  // namespace
}  // namespace velqor::prueba
