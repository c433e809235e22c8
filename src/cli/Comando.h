#pragma once
// Comando: one subcommand of velqor-config. The base class parses the declared options, answers
// --help, and turns failures into one line on standard error and an exit code; each subclass
// supplies its options, its help text and Corre.

#include <string>
#include <vector>

#include "cli/Argumentos.h"
#include "cli/Consola.h"

namespace velqor::cli {

// Exit codes of every subcommand.
inline constexpr int kExito = 0;   // done
inline constexpr int kFallo = 1;   // the operation failed (unreadable file, write refused, ...)
inline constexpr int kMalUso = 2;  // the command line is wrong; nothing was done

class Comando {
  public:
    virtual ~Comando() = default;

    // The subcommand's name as typed ("write-launch").
    virtual std::string Nombre() const = 0;
    // One line for the program's list of subcommands.
    virtual std::string Resumen() const = 0;

    // Parses palabras (the words after the subcommand's name) and runs it. --help prints the help
    // on standard output and answers kExito; a bad command line answers kMalUso; never throws.
    int Ejecuta(const std::vector<std::string>& palabras, Consola& consola) const;

    // The full help: usage line, description, options.
    virtual std::string Ayuda() const = 0;

  protected:
    // The options this subcommand accepts (--help is added by the base).
    virtual std::vector<Opcion> Opciones() const = 0;
    // Runs with parsed arguments; answers an exit code.
    virtual int Corre(const Argumentos& argumentos, Consola& consola) const = 0;

    // Writes "velqor-config <name>: <mensaje>" to standard error and answers kFallo.
    int Falla(Consola& consola, const std::string& mensaje) const;
    // The same with a pointer to --help, answering kMalUso.
    int MalUso(Consola& consola, const std::string& mensaje) const;

    // Exactly `cuantos` positional words, else MalUso naming what is expected (`que`).
    bool ExigePosicionales(const Argumentos& argumentos, size_t cuantos, const std::string& que,
                           Consola& consola, int& codigo) const;
    // The value of a valued option that must be given and not blank, else MalUso.
    bool ExigeValor(const Argumentos& argumentos, const std::string& nombre, std::string& valor,
                    Consola& consola, int& codigo) const;
};

}  // namespace velqor::cli
