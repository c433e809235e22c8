#include "cli/Lanzamiento.h"

#include <filesystem>
#include <system_error>

#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor::cli {

namespace {
constexpr size_t kValores = 7;
}

Lista Lanzamiento::ALista() const {
    return {Valor::Texto(entrada),      Valor::Texto(carpetaInforme), Valor::Texto(usuario),
            Valor::Texto(clave),        Valor::Largo(reservado),      Valor::Logico(enLinea),
            Valor::Texto(carpetaBackup)};
}

bool Lanzamiento::DeLista(const Lista& valores, Lanzamiento& lanzamiento, std::string& error) {
    if (valores.size() != kValores) {
        error = "it holds " + std::to_string(valores.size()) + " values instead of 7";
        return false;
    }
    for (size_t i : {0, 1, 2, 3, 6}) {
        if (valores[i].tipo() != Valor::Tipo::String) {
            error = "value " + std::to_string(i) + " is not a text";
            return false;
        }
    }
    if (!valores[4].EsNumero()) {
        error = "value 4 is not a number";
        return false;
    }
    if (valores[5].tipo() != Valor::Tipo::Boolean) {
        error = "value 5 is not a Boolean";
        return false;
    }
    Lanzamiento leido;
    leido.entrada = valores[0].ComoTexto();
    leido.carpetaInforme = valores[1].ComoTexto();
    leido.usuario = valores[2].ComoTexto();
    leido.clave = valores[3].ComoTexto();
    leido.reservado = static_cast<int32_t>(valores[4].ComoDoble());
    leido.enLinea = valores[5].ComoLogico();
    leido.carpetaBackup = valores[6].ComoTexto();
    lanzamiento = std::move(leido);
    return true;
}

bool Lanzamiento::Guarda(const std::string& ruta) const {
    if (!Codificador::GuardaArchivo(VersionPrograma::kEmpresa, ALista(), ruta, true)) return false;
    // The file holds a password: make sure it is the owner's only, even if it existed before.
    std::error_code ec;
    std::filesystem::permissions(
        ruta, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::replace, ec);
    return !ec;
}

bool Lanzamiento::Lee(const std::string& ruta, Lanzamiento& lanzamiento, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ruta, ec)) {
        error = "cannot read " + ruta + ": no such file";
        return false;
    }
    Lista valores;
    const auto lectura = Codificador::LeeArchivoConLlave(VersionPrograma::kEmpresa, ruta, valores);
    if (lectura == Codificador::Lectura::OtraInstalacion) {
        error = ruta +
                " was written for another installation: no key of this installation opens it (it "
                "is not a launch configuration of this program, or it was altered)";
        return false;
    }
    if (!Codificador::Abre(lectura)) {
        error = ruta + " is not a launch configuration of this program, or it was altered";
        return false;
    }
    if (lectura == Codificador::Lectura::LlaveCompartida) {
        RegistraAviso(Codificador::AvisoLlaveCompartida(ruta), "");
    }
    std::string detalle;
    if (!DeLista(valores, lanzamiento, detalle)) {
        error = ruta + " is not a launch configuration: " + detalle;
        return false;
    }
    return true;
}

}  // namespace velqor::cli
