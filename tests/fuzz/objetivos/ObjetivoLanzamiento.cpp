#include <string>
#include <string_view>

#include "CarpetaFuzz.h"
#include "MismoValor.h"
#include "Objetivos.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "components/Cripto.h"
#include "components/Lanzamiento.h"

namespace velqor::fuzz {
namespace {

// A launch configuration file holding claro as its plaintext, sealed as the file format says
// (docs/launch-config.md) under a fixed salt and nonce, so that the fuzzer's bytes reach the
// reading of the plaintext instead of stopping at the authentication tag.
std::string Sella(std::string_view claro) {
    static const std::string cabecera = std::string("VQLAUNCH\x01", 9) + std::string(16, 's') +
                                        std::string(cripto::kLargoNonce, 'n');
    static const std::string llave =
        cripto::DerivaClave(VersionPrograma::kEmpresa, std::string_view(cabecera).substr(9, 16),
                            "Velqor launch configuration");
    std::string cifrado;
    Exige(!llave.empty() && cripto::CifraGcm(llave, std::string_view(cabecera).substr(25), cabecera,
                                             claro, cifrado),
          "the coding library failed to seal a file");
    return cabecera + cifrado;
}

void Lee(const std::string& ruta) {
    const Lista centinela{Valor::Texto("untouched")};
    Lista valores = centinela;
    if (!Codificador::LeeArchivo(VersionPrograma::kEmpresa, ruta, valores, false)) {
        Exige(valores == centinela, "a refused launch configuration changed the list");
        return;
    }
    // What the window, velqor and velqor-config take from the values: a record, or a refusal.
    Lanzamiento registro;
    std::string error;
    if (Lanzamiento::DeLista(valores, registro, error)) {
        Lanzamiento releido;
        Exige(Lanzamiento::DeLista(registro.ALista(), releido, error) &&
                  releido.ALista() == registro.ALista(),
              "a launch configuration record does not read back as itself");
    } else {
        Exige(!error.empty(), "a refused launch configuration record gives no reason");
    }
    const std::string copia = CarpetaFuzz::DelProceso().En("Copia.ZEVcos");
    Exige(Codificador::GuardaArchivo(VersionPrograma::kEmpresa, valores, copia, false),
          "a launch configuration that was read cannot be written back");
    Lista releidos;
    Exige(Codificador::LeeArchivo(VersionPrograma::kEmpresa, copia, releidos, false),
          "a launch configuration written back cannot be read");
    Exige(MismoValor(Valor::Matriz(valores), Valor::Matriz(releidos)),
          "a launch configuration written back reads back different values");
}

}  // namespace

int FuzzLeeArchivo(const uint8_t* datos, size_t largo) {
    const std::string_view bytes(reinterpret_cast<const char*>(datos), largo);
    const CarpetaFuzz& carpeta = CarpetaFuzz::DelProceso();
    Lee(carpeta.Escribe("TalCual.ZEVcos", bytes));
    Lee(carpeta.Escribe("Sellado.ZEVcos", Sella(bytes)));
    return 0;
}

}  // namespace velqor::fuzz
