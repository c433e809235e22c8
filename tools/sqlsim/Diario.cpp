#include "Diario.h"

#include <stdexcept>

namespace velqor::sqlsim {

Diario::Diario(const std::string& ruta) {
    if (ruta.empty()) return;
    f_.open(ruta, std::ios::binary | std::ios::trunc);
    if (!f_) throw std::runtime_error("cannot create journal " + ruta);
    activo_ = true;
}

std::string Diario::Escapa(std::string_view texto) {
    std::string s;
    s.reserve(texto.size());
    for (char c : texto) {
        switch (c) {
            case '\\':
                s += "\\\\";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                s += c;
        }
    }
    return s;
}

void Diario::Anota(std::string_view sentencia) {
    if (!activo_) return;
    const std::string linea = Escapa(sentencia) + "\n";
    std::lock_guard l(m_);
    f_ << linea;
    f_.flush();
}

}  // namespace velqor::sqlsim
