#include "ArchivoRespaldo.h"

#include <cstdint>
#include <cstdio>

namespace velqor::sqlsim {
namespace {

constexpr std::string_view kCabecera = "sqlsim ";
constexpr std::string_view kConChecksum = "checksum\n";

// FNV-1a, 64 bits, as 16 hex digits.
std::string Huella(std::string_view texto) {
    uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : texto) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

}  // namespace

std::string ContenidoRespaldo(std::string_view que, std::string_view base, bool conChecksum) {
    const std::string cabecera =
        std::string(kCabecera) + std::string(que) + " of database " + std::string(base) + "\n";
    std::string contenido = cabecera + "hash " + Huella(cabecera) + "\n";
    if (conChecksum) contenido += kConChecksum;
    return contenido;
}

EstadoRespaldo LeeRespaldo(std::string_view contenido) {
    const size_t finCabecera = contenido.find('\n');
    if (contenido.substr(0, kCabecera.size()) != kCabecera || finCabecera == std::string_view::npos)
        return EstadoRespaldo::Danado;
    const std::string_view cabecera = contenido.substr(0, finCabecera + 1);
    const std::string hash = "hash " + Huella(cabecera) + "\n";
    std::string_view resto = contenido.substr(cabecera.size());
    if (resto.substr(0, hash.size()) != hash) return EstadoRespaldo::Danado;
    resto.remove_prefix(hash.size());
    if (resto.empty()) return EstadoRespaldo::SinChecksum;
    return resto == kConChecksum ? EstadoRespaldo::Valido : EstadoRespaldo::Danado;
}

}  // namespace velqor::sqlsim
