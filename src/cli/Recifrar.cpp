#include "cli/Recifrar.h"

#include <filesystem>

#include "common/Archivo.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "common/Texto1252.h"
#include "components/Codificador.h"
#include "components/LlaveInstalacion.h"
#include "components/PerfilConexion.h"

namespace velqor::cli {

namespace {

namespace fs = std::filesystem;

// Rewrites the Password value of the definition at ruta; false with error.
bool RecifraDefinicion(const fs::path& ruta, std::string& error) {
    const std::string carpeta = ruta.has_parent_path() ? ruta.parent_path().string() : ".";
    PerfilConexion perfil;
    if (!perfil.Cargar(VersionPrograma::kEmpresa, carpeta, ruta.stem().string())) {
        error = perfil.UltimoError();
        return false;
    }
    if (perfil.ClaveCifrada().empty()) {
        error = ruta.string() + " holds no password (Integrated = yes): nothing to rewrite";
        return false;
    }
    std::string texto;
    if (!LeeArchivo(ruta.string(), texto)) {
        error = "cannot read " + ruta.string();
        return false;
    }
    // The encrypted value is random Base64: it stands in the file once, on its Password line.
    const std::string& vieja = perfil.ClaveCifrada();
    const auto donde = texto.find(vieja);
    if (donde == std::string::npos || texto.find(vieja, donde + 1) != std::string::npos) {
        error = ruta.string() + ": its Password value cannot be told apart in the file";
        return false;
    }
    std::string contrasena;
    if (!Codificador::DescifraClave(VersionPrograma::kEmpresa, vieja, contrasena)) {
        error = ruta.string() + ": the password cannot be decrypted";
        return false;
    }
    const std::string nueva = Codificador::CifraClave(VersionPrograma::kEmpresa, contrasena);
    if (nueva.empty()) {
        error = "the password could not be encrypted";
        return false;
    }
    texto.replace(donde, vieja.size(), nueva);
    PerfilConexion deVuelta;
    const auto cargaDeVuelta = [&](const std::string& temporal) {
        return deVuelta.Cargar(VersionPrograma::kEmpresa, carpeta,
                               fs::path(temporal).stem().string());
    };
    if (!ReemplazaArchivo(ruta.string(), texto, Permisos::Privados, cargaDeVuelta, ".cfp")) {
        error = "could not rewrite " + ruta.string();
        return false;
    }
    return true;
}

// Rewrites the launch configuration at ruta; false with error.
bool RecifraLanzamiento(const std::string& ruta, std::string& error) {
    Lista valores;
    const auto lectura = Codificador::LeeArchivoConLlave(VersionPrograma::kEmpresa, ruta, valores);
    if (!Codificador::Abre(lectura)) {
        error = ruta + " cannot be read: " + Codificador::Motivo(lectura);
        return false;
    }
    if (!Codificador::GuardaArchivo(VersionPrograma::kEmpresa, valores, ruta, true)) {
        error = "could not rewrite " + ruta;
        return false;
    }
    return true;
}

}  // namespace

std::string Recifrar::Resumen() const {
    return "Rewrite definitions and launch files under this installation's key.";
}

std::string Recifrar::Ayuda() const {
    return "Usage: velqor-config rekey FILE...\n"
           "\n"
           "Rewrites each FILE under this installation's key (made by velqor-config init-key):\n"
           "the Password of a connection definition (FILE ending in .cfp; every other line is\n"
           "kept as it is), or a whole launch configuration (any other FILE). A file written\n"
           "under the key every copy of the program shares, or under another key of this\n"
           "installation, is read and written again; a file written for another installation\n"
           "cannot be read and is left as it is. Each file is replaced whole, readable by its\n"
           "owner only, or not at all.\n"
           "Exit status: 0 every file rewritten, 1 some could not be.\n"
           "\n"
           "Options:\n"
           "  --help   show this help\n";
}

std::vector<Opcion> Recifrar::Opciones() const { return {}; }

int Recifrar::Corre(const Argumentos& argumentos, Consola& consola) const {
    if (argumentos.Posicionales().empty()) return MalUso(consola, "name at least one FILE");
    std::vector<std::string> llaves;
    std::string error;
    if (!LlaveInstalacion::Llaves(llaves, error)) return Falla(consola, error);
    if (llaves.empty()) {
        return Falla(consola,
                     "this installation has no key of its own yet: make one with "
                     "velqor-config init-key");
    }
    // The warning that a file is under the shared key is what this command answers.
    InstalaSalidaAvisos([](const std::string&) {});
    int codigo = kExito;
    for (const std::string& archivo : argumentos.Posicionales()) {
        const fs::path ruta(archivo);
        const bool definicion = Mayusculas(ruta.extension().string()) == ".CFP";
        if (definicion ? RecifraDefinicion(ruta, error) : RecifraLanzamiento(archivo, error)) {
            consola.salida << archivo << " rewritten under this installation's key\n";
        } else {
            codigo = Falla(consola, error);
        }
    }
    return codigo;
}

}  // namespace velqor::cli
