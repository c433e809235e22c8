#include "cli/ArchivoHistorial.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <system_error>

#include "common/Archivo.h"
#include "common/General.h"
#include "engine/MesHistorial.h"

namespace velqor::cli {

bool ArchivoHistorial::Lee(const std::string& ruta, HistorialDensidad& historial,
                           std::string& error) {
    std::error_code ec;
    const bool existe = std::filesystem::exists(ruta, ec);
    if (existe && !std::filesystem::is_regular_file(ruta, ec)) {
        error = "cannot read " + ruta + ": not a file";
        return false;
    }
    if (existe && !std::ifstream(ruta, std::ios::binary)) {
        error = "cannot read " + ruta + ": permission denied";
        return false;
    }
    bool hallado = false;
    std::string detalle;
    if (!MesHistorial::Carga(ruta, historial, hallado, detalle)) {
        error = ruta + " cannot be used: " + detalle;
        return false;
    }
    if (!hallado) {
        error = "cannot read " + ruta + ": no such file";
        return false;
    }
    return true;
}

namespace {

// The month files of folder carpeta, in name order; their definitions' names go to definiciones.
std::vector<std::string> MesesDeCarpeta(const std::string& carpeta,
                                        std::set<std::string>& definiciones) {
    static const std::regex kMes(R"((.+)_\d{4}_\d{2}\.ZEVeri)");
    std::vector<std::string> archivos;
    std::error_code ec;
    for (const auto& entrada : std::filesystem::directory_iterator(carpeta, ec)) {
        const std::string nombre = entrada.path().filename().string();
        std::smatch partes;
        if (EsTemporal(nombre) || !std::regex_match(nombre, partes, kMes)) continue;
        if (!entrada.is_regular_file(ec)) continue;
        definiciones.insert(partes[1].str());
        archivos.push_back(entrada.path().string());
    }
    std::sort(archivos.begin(), archivos.end());
    return archivos;
}

}  // namespace

bool ArchivoHistorial::LeeMeses(const std::vector<std::string>& rutas, HistorialDensidad& historial,
                                std::vector<std::string>& archivos, std::string& error) {
    std::vector<std::string> leidos;
    for (const std::string& ruta : rutas) {
        std::error_code ec;
        if (!std::filesystem::is_directory(ruta, ec)) {
            leidos.push_back(ruta);
            continue;
        }
        std::set<std::string> definiciones;
        const std::vector<std::string> meses = MesesDeCarpeta(ruta, definiciones);
        if (meses.empty()) {
            error = ruta + " holds no density history (NAME_yyyy_mm.ZEVeri)";
            return false;
        }
        if (definiciones.size() > 1) {
            std::string nombres;
            for (const std::string& d : definiciones) nombres += (nombres.empty() ? "" : ", ") + d;
            error = ruta + " holds the histories of several definitions (" + nombres +
                    "); name the files of one";
            return false;
        }
        leidos.insert(leidos.end(), meses.begin(), meses.end());
    }
    HistorialDensidad todos;
    for (const std::string& archivo : leidos) {
        HistorialDensidad mes;
        if (!Lee(archivo, mes, error)) return false;
        todos.Fusiona(mes);
    }
    historial = std::move(todos);
    archivos = std::move(leidos);
    return true;
}

std::string TextoDensidad(double densidad) {
    std::string texto = NumeroATexto(std::round(densidad * 100) / 100);
    if (texto.rfind(".", 0) == 0) texto.insert(0, "0");
    if (texto.rfind("-.", 0) == 0) texto.insert(1, "0");
    return texto;
}

std::string TextoPorciento(std::optional<double> densidad) {
    return densidad ? TextoDensidad(*densidad) + "%" : std::string("unread");
}

}  // namespace velqor::cli
