#pragma once
// Argumentos: the command line of one subcommand, parsed against the options it declares.
// Options are "--name" flags or "--name VALUE" / "--name=VALUE"; everything else is positional,
// and "--" ends the options.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velqor::cli {

struct Opcion {
    std::string nombre;  // without the leading dashes
    bool llevaValor;     // true: "--name VALUE"; false: a flag
};

class Argumentos {
  public:
    // Parses palabras against opciones. Answers false and fills error (one sentence) for an
    // unknown option, a missing value, an option given twice or a value given to a flag.
    bool Analiza(const std::vector<Opcion>& opciones, const std::vector<std::string>& palabras,
                 std::string& error);

    // True when the flag or valued option was given.
    bool Tiene(const std::string& nombre) const;
    // The value of a valued option; nullopt when it was not given.
    std::optional<std::string> Valor(const std::string& nombre) const;
    const std::vector<std::string>& Posicionales() const { return posicionales_; }

  private:
    std::map<std::string, std::string> dados_;
    std::vector<std::string> posicionales_;
};

}  // namespace velqor::cli
