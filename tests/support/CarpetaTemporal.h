#pragma once
// A fresh temporary folder for one test, removed with everything in it when the object ends.

#include <filesystem>
#include <string>

namespace velqor::prueba {

class CarpetaTemporal {
  public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
    std::string Texto() const { return ruta_.string(); }
    // Path of a name inside the folder.
    std::string En(const std::string& nombre) const { return (ruta_ / nombre).string(); }

  private:
    std::filesystem::path ruta_;
};

// Writes bytes to a file as they are (no code page conversion, no line end added).
void EscribeBytes(const std::string& ruta, const std::string& bytes);
// Reads a whole file's bytes; empty when it cannot be read.
std::string LeeBytes(const std::string& ruta);

}  // namespace velqor::prueba
