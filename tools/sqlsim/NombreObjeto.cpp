#include "NombreObjeto.h"

namespace velqor::sqlsim {

std::optional<std::vector<std::string>> PartesNombre(std::string_view texto) {
    std::vector<std::string> partes{""};
    size_t i = 0;
    while (i < texto.size()) {
        const char c = texto[i];
        if (c == '.') {
            partes.emplace_back();
            ++i;
            continue;
        }
        if ((c == '[' || c == '"') && partes.back().empty()) {
            const char cierra = c == '[' ? ']' : '"';
            std::string& parte = partes.back();
            ++i;
            bool cerrado = false;
            while (i < texto.size()) {
                if (texto[i] != cierra) {
                    parte += texto[i++];
                } else if (i + 1 < texto.size() && texto[i + 1] == cierra) {
                    parte += cierra;
                    i += 2;
                } else {
                    cerrado = true;
                    ++i;
                    break;
                }
            }
            if (!cerrado) return std::nullopt;
            if (i < texto.size() && texto[i] != '.') return std::nullopt;
            // A delimited empty part ("[]") still counts as written; keep it distinct from none.
            if (parte.empty()) return std::nullopt;
            continue;
        }
        partes.back() += c;
        ++i;
    }
    return partes;
}

std::optional<NombreResuelto> ResuelveNombre(const std::vector<std::string>& partes) {
    if (partes.empty() || partes.size() > 3 || partes.back().empty()) return std::nullopt;
    NombreResuelto r;
    r.objeto = partes.back();
    if (partes.size() >= 2) r.esquema = partes[partes.size() - 2];
    if (partes.size() == 3) r.base = partes[0];
    if (r.esquema.empty()) r.esquema = kEsquemaPorDefecto;
    return r;
}

}  // namespace velqor::sqlsim
