#pragma once
// The one temporary folder of a fuzzing process, where the targets that read files write their
// inputs. Made on first use and reused for every input (creating a folder per input would slow
// fuzzing down); removed with its content when the process ends normally.

#include <filesystem>
#include <string>
#include <string_view>

namespace velqor::fuzz {

class CarpetaFuzz {
  public:
    // The process's folder; throws std::runtime_error when no folder can be made.
    static const CarpetaFuzz& DelProceso();

    const std::string& Ruta() const { return ruta_; }
    // The path of nombre in the folder.
    std::string En(const std::string& nombre) const;
    // Replaces the file nombre in the folder with bytes and answers its path; throws
    // std::runtime_error when it cannot be written.
    std::string Escribe(const std::string& nombre, std::string_view bytes) const;

    ~CarpetaFuzz();
    CarpetaFuzz(const CarpetaFuzz&) = delete;
    CarpetaFuzz& operator=(const CarpetaFuzz&) = delete;

  private:
    CarpetaFuzz();
    std::string ruta_;
};

}  // namespace velqor::fuzz
