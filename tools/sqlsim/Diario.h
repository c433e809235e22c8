#pragma once
// The journal: one line per statement batch received, in arrival order, with backslash,
// newline, carriage return and tab written as \\ \n \r \t. Each line is flushed at once.

#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

namespace velqor::sqlsim {

class Diario {
  public:
    // An empty path keeps no journal. Throws std::runtime_error when the file cannot be created.
    explicit Diario(const std::string& ruta);

    void Anota(std::string_view sentencia);

    // The escaped form of a statement, as it appears on its journal line.
    static std::string Escapa(std::string_view texto);

  private:
    std::mutex m_;
    std::ofstream f_;
    bool activo_ = false;
};

}  // namespace velqor::sqlsim
