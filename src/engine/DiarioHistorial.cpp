#include "engine/DiarioHistorial.h"

#include <charconv>
#include <cstdio>

namespace velqor {

namespace {

constexpr char kSeparador = '\t';
constexpr std::string_view kFormaFecha = "yyyy-mm-dd hh:nn:ss";

// A text field with %, tab, CR and LF written as %25, %09, %0D, %0A.
void AgregaTexto(std::string& linea, std::string_view texto) {
    for (const char c : texto) {
        if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
            char codigo[4];
            std::snprintf(codigo, sizeof codigo, "%%%02X", static_cast<unsigned char>(c));
            linea += codigo;
        } else {
            linea += c;
        }
    }
}

bool LeeTextoCampo(std::string_view campo, std::string& texto) {
    texto.clear();
    for (std::size_t i = 0; i < campo.size(); ++i) {
        if (campo[i] != '%') {
            texto += campo[i];
            continue;
        }
        if (campo.size() - i < 3) return false;
        unsigned codigo = 0;
        const auto r = std::from_chars(campo.data() + i + 1, campo.data() + i + 3, codigo, 16);
        if (r.ptr != campo.data() + i + 3) return false;
        texto += static_cast<char>(codigo);
        i += 2;
    }
    return true;
}

void AgregaNumero(std::string& linea, double numero) {
    char cifras[32];
    const auto r = std::to_chars(cifras, cifras + sizeof cifras, numero);
    linea.append(cifras, r.ptr);
}

bool LeeNumeroCampo(std::string_view campo, double& numero) {
    const char* fin = campo.data() + campo.size();
    const auto r = std::from_chars(campo.data(), fin, numero);
    return !campo.empty() && r.ec == std::errc{} && r.ptr == fin;
}

bool LeeHexCampo(std::string_view campo, uint64_t& valor) {
    const char* fin = campo.data() + campo.size();
    const auto r = std::from_chars(campo.data(), fin, valor, 16);
    return campo.size() == 16 && r.ec == std::errc{} && r.ptr == fin;
}

void AgregaHex(std::string& linea, uint64_t valor) {
    char cifras[17];
    std::snprintf(cifras, sizeof cifras, "%016llx", static_cast<unsigned long long>(valor));
    linea += cifras;
}

// Closes a line: its check (the fingerprint of everything before it) and the line end.
std::string Cierra(std::string linea) {
    const uint64_t comprobacion = DiarioHistorial::Huella(linea);
    linea += kSeparador;
    AgregaHex(linea, comprobacion);
    linea += '\n';
    return linea;
}

std::vector<std::string_view> Campos(std::string_view linea) {
    std::vector<std::string_view> campos;
    std::size_t desde = 0;
    for (;;) {
        const std::size_t tab = linea.find(kSeparador, desde);
        campos.push_back(linea.substr(desde, tab - desde));
        if (tab == std::string_view::npos) return campos;
        desde = tab + 1;
    }
}

// Reads one line (without its line end) into asiento; false when it does not read back.
bool LeeLinea(std::string_view linea, AsientoDiario& asiento) {
    const std::size_t tab = linea.rfind(kSeparador);
    uint64_t comprobacion = 0;
    if (tab == std::string_view::npos || !LeeHexCampo(linea.substr(tab + 1), comprobacion) ||
        comprobacion != DiarioHistorial::Huella(linea.substr(0, tab))) {
        return false;
    }
    const std::vector<std::string_view> campos = Campos(linea.substr(0, tab));
    if (campos[0] == "W") {
        asiento.marca = true;
        return campos.size() == 2 && LeeHexCampo(campos[1], asiento.huella);
    }
    if (campos[0] != "M" || campos.size() != 8) return false;
    Medicion& m = asiento.medicion;
    if (!LeeTextoCampo(campos[1], asiento.tabla) || !LeeTextoCampo(campos[2], asiento.indice) ||
        !LeeNumeroCampo(campos[3], m.antes) || !LeeMomento(campos[4], m.inicio) ||
        !LeeMomento(campos[5], m.fin) || !LeeNumeroCampo(campos[6], m.despues)) {
        return false;
    }
    if (campos[7] != "R" && campos[7] != "D") return false;
    m.bloquear = campos[7] == "R";
    return true;
}

}  // namespace

std::string DiarioHistorial::Medida(const std::string& tabla, const std::string& indice,
                                    const Medicion& medicion) {
    std::string linea = "M";
    linea += kSeparador;
    AgregaTexto(linea, tabla);
    linea += kSeparador;
    AgregaTexto(linea, indice);
    linea += kSeparador;
    AgregaNumero(linea, medicion.antes);
    linea += kSeparador;
    linea += Formatea(medicion.inicio, kFormaFecha);
    linea += kSeparador;
    linea += Formatea(medicion.fin, kFormaFecha);
    linea += kSeparador;
    AgregaNumero(linea, medicion.despues);
    linea += kSeparador;
    linea += medicion.bloquear ? 'R' : 'D';
    return Cierra(std::move(linea));
}

std::string DiarioHistorial::Marca(uint64_t huella) {
    std::string linea = "W";
    linea += kSeparador;
    AgregaHex(linea, huella);
    return Cierra(std::move(linea));
}

std::vector<AsientoDiario> DiarioHistorial::Lee(std::string_view texto, std::size_t& descartados) {
    descartados = 0;
    std::vector<AsientoDiario> asientos;
    std::size_t desde = 0;
    while (desde < texto.size()) {
        const std::size_t fin = texto.find('\n', desde);
        if (fin == std::string_view::npos) {
            ++descartados;  // cut short: the write of its line never ended
            break;
        }
        AsientoDiario asiento;
        if (LeeLinea(texto.substr(desde, fin - desde), asiento)) {
            asientos.push_back(std::move(asiento));
        } else {
            ++descartados;
        }
        desde = fin + 1;
    }
    return asientos;
}

std::vector<AsientoDiario> DiarioHistorial::Pendientes(const std::vector<AsientoDiario>& asientos,
                                                       uint64_t huella) {
    std::size_t desde = 0;
    for (std::size_t i = 0; i < asientos.size(); ++i) {
        if (asientos[i].marca && asientos[i].huella == huella) desde = i + 1;
    }
    std::vector<AsientoDiario> pendientes;
    for (std::size_t i = desde; i < asientos.size(); ++i) {
        if (!asientos[i].marca) pendientes.push_back(asientos[i]);
    }
    return pendientes;
}

uint64_t DiarioHistorial::Huella(std::string_view bytes) {
    uint64_t h = 14695981039346656037ULL;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

}  // namespace velqor
