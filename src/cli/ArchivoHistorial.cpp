#include "cli/ArchivoHistorial.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/General.h"
#include "engine/TextoHistorial.h"

namespace velqor::cli {

bool ArchivoHistorial::Lee(const std::string& ruta, HistorialDensidad& historial,
                           std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ruta, ec)) {
        error = "cannot read " + ruta + ": no such file";
        return false;
    }
    if (!std::ifstream(ruta, std::ios::binary)) {
        error = "cannot read " + ruta + ": permission denied";
        return false;
    }
    std::string detalle;
    if (!TextoHistorial::Lee(LeeTexto(ruta), historial, detalle)) {
        error = ruta + " cannot be used: " + detalle;
        return false;
    }
    return true;
}

std::string TextoDensidad(double densidad) {
    std::string texto = NumeroATexto(std::round(densidad * 100) / 100);
    if (texto.rfind(".", 0) == 0) texto.insert(0, "0");
    if (texto.rfind("-.", 0) == 0) texto.insert(1, "0");
    return texto;
}

}  // namespace velqor::cli
