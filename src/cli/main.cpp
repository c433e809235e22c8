// velqor-config: the command-line companion of the Velqor window.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/VelqorConfig.h"

int main(int argc, char* argv[]) {
    velqor::cli::Consola consola{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) == 1};
    const std::vector<std::string> argumentos(argv + 1, argv + argc);
    const int codigo = velqor::cli::VelqorConfig().Ejecuta(argumentos, consola);
    std::cout.flush();
    return std::cout ? codigo : velqor::cli::kFallo;
}
