#include "components/Politica.h"

#include <charconv>

namespace velqor {
namespace {

constexpr int32_t kMaximoSegundos = 7 * 24 * 3600;  // a week
constexpr int64_t kMaximoPaginas = int64_t{1} << 40;

bool LeeEntero(const std::string& texto, int64_t minimo, int64_t maximo, int64_t& valor) {
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    return !texto.empty() && texto.front() != '-' && error == std::errc() &&
           fin == texto.data() + texto.size() && valor >= minimo && valor <= maximo;
}

// A percentage from 0 to 100: digits with an optional decimal point.
bool LeePorcentaje(const std::string& texto, double& valor) {
    if (texto.empty() || texto.find_first_not_of("0123456789.") != std::string::npos) return false;
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), valor);
    return error == std::errc() && fin == texto.data() + texto.size() && valor >= 0 && valor <= 100;
}

// The shortest text without an exponent that reads back as the same number (a percentage: at most
// 100, and no smaller than the least double, whose fixed form has some 330 digits).
std::string Numero(double valor) {
    char texto[512];
    const auto fin =
        std::to_chars(texto, texto + sizeof texto, valor, std::chars_format::fixed).ptr;
    return std::string(texto, fin);
}

}  // namespace

const std::vector<std::string>& Politica::NombresClaves() {
    static const std::vector<std::string> nombres{"MinPages", "ReorganizeAbove", "RebuildAbove",
                                                  "TimeLimit", "LockTimeout"};
    return nombres;
}

Politica Politica::Recomendada() {
    Politica p;
    p.minPaginas = 1000;
    p.reorganizaDesde = 5;
    p.reconstruyeDesde = 30;
    return p;
}

bool Politica::Lee(const std::function<std::optional<std::string>(const std::string& clave)>& valor,
                   Politica& politica, std::string& error) {
    Politica p;
    if (const auto v = valor("MinPages")) {
        if (!LeeEntero(*v, 0, kMaximoPaginas, p.minPaginas)) {
            error = "MinPages must be a whole number of pages";
            return false;
        }
    }
    for (const auto& [clave, destino] : {std::pair{"ReorganizeAbove", &p.reorganizaDesde},
                                         std::pair{"RebuildAbove", &p.reconstruyeDesde}}) {
        if (const auto v = valor(clave)) {
            double porcentaje = 0;
            if (!LeePorcentaje(*v, porcentaje)) {
                error = std::string(clave) + " must be a percentage from 0 to 100";
                return false;
            }
            *destino = porcentaje;
        }
    }
    if (p.reorganizaDesde && p.reconstruyeDesde && *p.reorganizaDesde > *p.reconstruyeDesde) {
        error = "ReorganizeAbove cannot be above RebuildAbove";
        return false;
    }
    int64_t segundos = 0;
    if (const auto v = valor("TimeLimit")) {
        if (!LeeEntero(*v, 1, kMaximoSegundos, segundos)) {
            error = "TimeLimit must be a whole number of seconds from 1 to 604800";
            return false;
        }
        p.limiteSegundos = static_cast<int32_t>(segundos);
    }
    if (const auto v = valor("LockTimeout")) {
        if (!LeeEntero(*v, 0, kMaximoSegundos, segundos)) {
            error = "LockTimeout must be a whole number of seconds from 0 to 604800";
            return false;
        }
        p.esperaBloqueo = static_cast<int32_t>(segundos);
    }
    politica = p;
    return true;
}

std::vector<std::pair<std::string, std::string>> Politica::Claves() const {
    std::vector<std::pair<std::string, std::string>> claves;
    if (minPaginas > 0) claves.emplace_back("MinPages", std::to_string(minPaginas));
    if (reorganizaDesde) claves.emplace_back("ReorganizeAbove", Numero(*reorganizaDesde));
    if (reconstruyeDesde) claves.emplace_back("RebuildAbove", Numero(*reconstruyeDesde));
    if (limiteSegundos > 0) claves.emplace_back("TimeLimit", std::to_string(limiteSegundos));
    if (esperaBloqueo) claves.emplace_back("LockTimeout", std::to_string(*esperaBloqueo));
    return claves;
}

std::string Politica::Texto() const {
    std::string texto;
    for (const auto& [clave, valor] : Claves())
        texto += (texto.empty() ? "" : ", ") + clave + " " + valor;
    return texto.empty() ? "none: every index under 100 % scan density" : texto;
}

}  // namespace velqor
