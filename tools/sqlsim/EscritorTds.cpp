#include "EscritorTds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "Utf16.h"

namespace velqor::sqlsim {
namespace {
// Latin1_General_CI_AS, the collation the login announces and NVARCHAR columns carry.
constexpr char kIntercalacion[5] = {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x34};
}  // namespace

EscritorTds::EscritorTds(bool tds72, std::string servidor)
    : tds72_(tds72), servidor_(std::move(servidor)) {}

void EscritorTds::U16(uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    d_.append(b, 2);
}

void EscritorTds::U32(uint32_t v) {
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    d_.append(b, 4);
}

void EscritorTds::U64(uint64_t v) {
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    d_.append(b, 8);
}

void EscritorTds::BVarchar(std::string_view utf8) {
    const std::string u = AUtf16(utf8);
    const size_t chars = std::min<size_t>(u.size() / 2, 255);
    U8(static_cast<uint8_t>(chars));
    d_.append(u, 0, chars * 2);
}

void EscritorTds::Columnas(const std::vector<Columna>& columnas) {
    U8(0x81);
    U16(static_cast<uint16_t>(columnas.size()));
    for (const Columna& c : columnas) {
        if (tds72_) {
            U32(0);
        } else {
            U16(0);
        }
        U16(0x0001);  // nullable
        U8(c.tipo);
        if (c.tipo == tds::kNVarchar) {
            U16(static_cast<uint16_t>(c.longitud * 2));
            d_.append(kIntercalacion, 5);
        } else {
            U8(static_cast<uint8_t>(c.longitud));
        }
        BVarchar(c.nombre);
    }
}

void EscritorTds::NVarchar(std::string_view utf8) { NVarcharU16(AUtf16(utf8)); }

void EscritorTds::NVarcharU16(std::string_view u) {
    U16(static_cast<uint16_t>(u.size()));
    d_.append(u);
}

void EscritorTds::Entero(int64_t v, uint8_t bytes) {
    U8(bytes);
    char b[8];
    for (int i = 0; i < bytes; ++i)
        b[i] = static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
    d_.append(b, bytes);
}

void EscritorTds::Flotante(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U8(8);
    U64(bits);
}

void EscritorTds::FechaHora(std::string_view texto) {
    using namespace std::chrono;
    int a = 1900, mes = 1, dia = 1, h = 0, m = 0, s = 0;
    std::sscanf(std::string(texto).c_str(), "%d-%d-%d %d:%d:%d", &a, &mes, &dia, &h, &m, &s);
    const sys_days fecha{year{a} / month{static_cast<unsigned>(mes)} /
                         day{static_cast<unsigned>(dia)}};
    const auto dias = (fecha - sys_days{year{1900} / January / 1}).count();
    U8(8);
    U32(static_cast<uint32_t>(static_cast<int32_t>(dias)));
    U32(static_cast<uint32_t>((h * 3600 + m * 60 + s) * 300));
}

void EscritorTds::Bit(bool v) {
    U8(1);
    U8(v ? 1 : 0);
}

void EscritorTds::Nulo(const Columna& c) {
    if (c.tipo == tds::kNVarchar) {
        U16(0xFFFF);
    } else {
        U8(0);
    }
}

void EscritorTds::Mensaje(const MensajeSql& m) {
    const std::string texto = AUtf16(m.texto);
    const std::string servidor = AUtf16(servidor_);
    const size_t chars = std::min<size_t>(texto.size() / 2, 0xFFFF);
    const size_t largo = 4 + 1 + 1 + 2 + chars * 2 + 1 + servidor.size() + 1 + (tds72_ ? 4 : 2);
    U8(m.clase > 10 ? 0xAA : 0xAB);
    U16(static_cast<uint16_t>(largo));
    U32(static_cast<uint32_t>(m.numero));
    U8(m.estado);
    U8(m.clase);
    U16(static_cast<uint16_t>(chars));
    d_.append(texto, 0, chars * 2);
    U8(static_cast<uint8_t>(servidor.size() / 2));
    d_.append(servidor);
    U8(0);  // procedure name
    if (tds72_) {
        U32(1);
    } else {
        U16(1);
    }
}

void EscritorTds::FinSentencia(uint16_t estado, uint64_t cuenta) {
    Done(enProc_ ? tds::kDoneInProc : tds::kDone, estado, cuenta);
}

void EscritorTds::Done(uint8_t token, uint16_t estado, uint64_t cuenta) {
    U8(token);
    U16(estado);
    U16(0);
    if (tds72_) {
        U64(cuenta);
    } else {
        U32(static_cast<uint32_t>(cuenta));
    }
}

void EscritorTds::Cambio(uint8_t tipo, std::string_view nuevo, std::string_view anterior,
                         bool bytes) {
    U8(0xE3);
    U16(static_cast<uint16_t>(1 + 1 + nuevo.size() + 1 + anterior.size()));
    U8(tipo);
    U8(static_cast<uint8_t>(bytes ? nuevo.size() : nuevo.size() / 2));
    d_.append(nuevo);
    U8(static_cast<uint8_t>(bytes ? anterior.size() : anterior.size() / 2));
    d_.append(anterior);
}

void EscritorTds::CambioBase(std::string_view nueva, std::string_view anterior) {
    Cambio(1, AUtf16(nueva), AUtf16(anterior), false);
}

void EscritorTds::CambioIntercalacion() {
    Cambio(7, std::string_view(kIntercalacion, 5), "", true);
}

void EscritorTds::CambioIdioma() { Cambio(2, AUtf16("us_english"), "", false); }

void EscritorTds::CambioPaquete(uint32_t tam) {
    const std::string t = AUtf16(std::to_string(tam));
    Cambio(4, t, t, false);
}

void EscritorTds::LoginAck(uint32_t versionTds, int versionServidor) {
    const std::string nombre = AUtf16("Microsoft SQL Server");
    U8(0xAD);
    U16(static_cast<uint16_t>(1 + 4 + 1 + nombre.size() + 4));
    U8(1);                                                                         // interface: SQL
    for (int i = 3; i >= 0; --i) U8(static_cast<uint8_t>(versionTds >> (8 * i)));  // big-endian
    U8(static_cast<uint8_t>(nombre.size() / 2));
    d_.append(nombre);
    U8(static_cast<uint8_t>(versionServidor));
    U8(0);
    U8(0x07);  // build 2000
    U8(0xD0);
}

void EscritorTds::EstadoRetorno(int32_t valor) {
    U8(0x79);
    U32(static_cast<uint32_t>(valor));
}

void EscritorTds::ValorRetornoEntero(int32_t valor) {
    U8(0xAC);
    U16(1);  // ordinal of the handle parameter
    U8(0);   // no name
    U8(1);   // output parameter
    if (tds72_) {
        U32(0);
    } else {
        U16(0);
    }
    U16(0x0001);
    U8(tds::kIntN);
    U8(4);
    Entero(valor, 4);
}

}  // namespace velqor::sqlsim
