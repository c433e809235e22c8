#include "cli/Argumentos.h"

#include <algorithm>

namespace velqor::cli {

bool Argumentos::Analiza(const std::vector<Opcion>& opciones,
                         const std::vector<std::string>& palabras, std::string& error) {
    dados_.clear();
    posicionales_.clear();
    bool soloPosicionales = false;
    for (size_t i = 0; i < palabras.size(); ++i) {
        const std::string& palabra = palabras[i];
        if (soloPosicionales || palabra.size() < 2 || palabra.compare(0, 2, "--") != 0) {
            posicionales_.push_back(palabra);
            continue;
        }
        if (palabra == "--") {
            soloPosicionales = true;
            continue;
        }
        std::string nombre = palabra.substr(2);
        std::optional<std::string> valor;
        if (auto igual = nombre.find('='); igual != std::string::npos) {
            valor = nombre.substr(igual + 1);
            nombre.resize(igual);
        }
        auto opcion = std::find_if(opciones.begin(), opciones.end(),
                                   [&](const Opcion& o) { return o.nombre == nombre; });
        if (opcion == opciones.end()) {
            error = "unknown option --" + nombre;
            return false;
        }
        if (dados_.count(nombre) != 0) {
            error = "option --" + nombre + " given more than once";
            return false;
        }
        if (!opcion->llevaValor) {
            if (valor) {
                error = "option --" + nombre + " takes no value";
                return false;
            }
            dados_[nombre] = {};
            continue;
        }
        if (!valor) {
            if (i + 1 >= palabras.size()) {
                error = "option --" + nombre + " needs a value";
                return false;
            }
            valor = palabras[++i];
        }
        dados_[nombre] = *valor;
    }
    return true;
}

bool Argumentos::Tiene(const std::string& nombre) const { return dados_.count(nombre) != 0; }

std::optional<std::string> Argumentos::Valor(const std::string& nombre) const {
    auto it = dados_.find(nombre);
    if (it == dados_.end()) return std::nullopt;
    return it->second;
}

}  // namespace velqor::cli
