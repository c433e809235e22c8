#include "components/Lanzamiento.h"

#include <filesystem>
#include <system_error>

#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"

namespace velqor {

namespace {
constexpr size_t kValores = 7;

// The on-line flag as the unattended start has always read it.
bool EsVerdadero(const Valor& v) {
    if (v.tipo() != Valor::Tipo::Boolean && !v.EsNumero()) return false;
    return v.ComoLogico();
}
}  // namespace

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
    Lanzamiento leido;
    leido.entrada = valores[0].ComoTexto();
    leido.carpetaInforme = valores[1].ComoTexto();
    leido.usuario = valores[2].ComoTexto();
    leido.clave = valores[3].ComoTexto();
    leido.reservado = static_cast<int32_t>(valores[4].ComoDoble());
    leido.enLinea = EsVerdadero(valores[5]);
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

bool Lanzamiento::Lee(const std::string& ruta, Lanzamiento& lanzamiento, std::string& error,
                      Lectura* como) {
    const auto termina = [como](Lectura lectura) {
        if (como != nullptr) *como = lectura;
        return lectura == Lectura::Leida;
    };
    std::error_code ec;
    if (ruta.empty() || !std::filesystem::is_regular_file(ruta, ec)) {
        error = "cannot read " + RutaExplicada(ruta) + ": no such file";
        return termina(Lectura::NoExiste);
    }
    Lista valores;
    const auto lectura = Codificador::LeeArchivoConLlave(VersionPrograma::kEmpresa, ruta, valores);
    if (lectura == Codificador::Lectura::OtraInstalacion) {
        error = ruta +
                " was written for another installation: no key of this installation opens it (it "
                "is not a launch configuration of this program, or it was altered)";
        return termina(Lectura::OtraInstalacion);
    }
    if (!Codificador::Abre(lectura)) {
        error = ruta + " is not a launch configuration of this program, or it was altered";
        return termina(Lectura::Ilegible);
    }
    if (lectura == Codificador::Lectura::LlaveCompartida) {
        RegistraAviso(Codificador::AvisoLlaveCompartida(ruta), "");
    }
    std::string detalle;
    if (!DeLista(valores, lanzamiento, detalle)) {
        error = ruta + " is not a launch configuration: " + detalle;
        return termina(Lectura::Incompleta);
    }
    return termina(Lectura::Leida);
}

std::string Lanzamiento::RutaExplicada(const std::string& ruta) {
    if (std::filesystem::path(ruta).is_absolute()) return ruta;
    std::error_code ec;
    const std::filesystem::path aqui = std::filesystem::current_path(ec);
    if (ec) return ruta;
    return ruta + " (in the working directory " + aqui.string() + ")";
}

}  // namespace velqor
