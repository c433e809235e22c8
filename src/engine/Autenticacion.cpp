// The operator check against the application's user table UsuariosPW.

#include <exception>
#include <string_view>

#include "common/ErrorEjecucion.h"
#include "common/General.h"
#include "common/Proceso.h"
#include "components/Codificador.h"
#include "engine/ErrorAtrapado.h"
#include "engine/Sql.h"
#include "engine/Velqor.h"

namespace velqor {
namespace {

constexpr int32_t kChequeosMaximos = 3;

bool EnBlanco(std::string_view texto) {
    return texto.find_first_not_of(' ') == std::string_view::npos;
}

// The upper-case form of one character: ASCII, Latin-1 and the other Windows-1252 letters.
char32_t Mayuscula(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
        case 0xFF:
            return 0x178;  // ÿ
        case 0x161:
            return 0x160;  // š
        case 0x153:
            return 0x152;  // œ
        case 0x17E:
            return 0x17D;  // ž
        default:
            return c;
    }
}

void AgregaUtf8(std::string& destino, char32_t c) {
    if (c < 0x80) {
        destino += static_cast<char>(c);
    } else if (c < 0x800) {
        destino += static_cast<char>(0xC0 | (c >> 6));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        destino += static_cast<char>(0xE0 | (c >> 12));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        destino += static_cast<char>(0xF0 | (c >> 18));
        destino += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Upper-cases UTF-8 text letter by letter (é gives É); bytes that are not valid UTF-8 pass
// unchanged.
std::string Mayusculas(std::string_view texto) {
    std::string resultado;
    resultado.reserve(texto.size());
    size_t i = 0;
    while (i < texto.size()) {
        const auto b = static_cast<unsigned char>(texto[i]);
        const size_t largo = b < 0x80           ? 1
                             : (b >> 5) == 0x6  ? 2
                             : (b >> 4) == 0xE  ? 3
                             : (b >> 3) == 0x1E ? 4
                                                : 0;
        bool valido = largo > 0 && i + largo <= texto.size();
        char32_t c = largo == 1   ? b
                     : largo == 2 ? (b & 0x1F)
                     : largo == 3 ? (b & 0x0F)
                                  : (b & 0x07);
        for (size_t k = 1; valido && k < largo; ++k) {
            const auto s = static_cast<unsigned char>(texto[i + k]);
            valido = (s & 0xC0) == 0x80;
            c = (c << 6) | (s & 0x3F);
        }
        if (!valido) {
            resultado += texto[i++];
            continue;
        }
        AgregaUtf8(resultado, Mayuscula(c));
        i += largo;
    }
    return resultado;
}

// True when the query answered at least one row; a statement without a result set is an error.
bool TieneFilas(db::Connection& conexion, const std::string& sql) {
    auto rs = conexion.Execute(sql, 1);
    if (!rs)
        throw ErrorEjecucion(errores::kObjetoCerrado,
                             "Operation is not allowed when the object is closed.");
    const bool filas = !rs->EOF();
    rs->Close();
    return filas;
}

}  // namespace

std::string Velqor::Entrecomillar(const std::string& texto) { return Sql::Literal(texto); }

bool Velqor::Autenticar(db::Connection& conexion, const std::string& usuario,
                        const std::string& clave) {
    try {
        if (!EnBlanco(usuario) && !EnBlanco(clave) && ++intentos_ <= kChequeosMaximos) {
            const std::string extra = usuario == "Admin" ? " Or Usuario_cd=1" : "";
            const std::string claveCifrada =
                Codificador::Cifra(VersionPrograma::kEmpresa, Mayusculas(clave));
            const std::string sql =
                "SELECT * FROM UsuariosPW WHERE (Usuario_ID=" + Entrecomillar(usuario) + extra +
                ") And (Usuario_PW=" + Entrecomillar(claveCifrada) + ")";
            // An application without users lets any non-blank name and password through.
            if (TieneFilas(conexion, sql) ||
                !TieneFilas(conexion, "SELECT Usuario_cd FROM UsuariosPW")) {
                intentos_ = 0;
                return true;
            }
        }
        const std::string texto = Mensaje("Please give a valid password");
        bool propio = true;
        Progreso(texto, propio);
        if (Desatendido()) {
            InformaError(0, "", nullptr, texto, false, usuario);
        } else {
            MuestraMensaje(texto);
        }
        return false;
    } catch (const std::exception& e) {
        const ErrorAtrapado error = ErrorAtrapado::De(e);
        InformaError(error.numero, error.descripcion, &conexion, "", false, usuario);
        return false;
    }
}

}  // namespace velqor
