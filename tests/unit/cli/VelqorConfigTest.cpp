#include <gtest/gtest.h>

#include "EjecutaCli.h"

namespace velqor::prueba {
namespace {

const std::vector<std::string> kSubcomandos{"write-launch", "show-launch", "write-cfp",
                                            "hash-password", "history"};

TEST(VelqorConfig, HelpListsEverySubcommand) {
    ResultadoCli r = EjecutaCli({"--help"});
    EXPECT_EQ(r.codigo, 0);
    for (const std::string& nombre : kSubcomandos)
        EXPECT_NE(r.salida.find(nombre), std::string::npos) << nombre;
}

TEST(VelqorConfig, EverySubcommandHasItsOwnHelp) {
    for (const std::string& nombre : kSubcomandos) {
        for (const auto& argumentos : {std::vector<std::string>{nombre, "--help"},
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

}  // namespace
}  // namespace velqor::prueba
