// Every value kind the layer maps, over the wire from a canned TDS server: through bound blocks,
// and through SQLGetData when an nvarchar(max) column is in the result set; the same read forward
// row by row; and a link lost in the middle of a result.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RespondedorTds.h"
#include "db/ErroresAdo.h"
#include "db/OdbcConnection.h"

namespace velqor::db {
namespace {

using namespace prueba::tds;

const std::string kIntercalacion("\x09\x04\xD0\x00\x34", 5);

std::string NVarchar(const std::u16string& texto) {
    return U16(static_cast<uint16_t>(texto.size() * 2)) + Utf16(texto);
}

std::string Entero(int64_t v, int bytes) {
    std::string t(1, static_cast<char>(bytes));
    for (int i = 0; i < bytes; ++i)
        t += static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
    return t;
}

std::string Doble(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return "\x08" + U32(static_cast<uint32_t>(bits)) + U32(static_cast<uint32_t>(bits >> 32));
}

// Days since 1900-01-01 and 1/300 s ticks.
std::string FechaHora(int32_t dias, uint32_t ticks) {
    return "\x08" + U32(static_cast<uint32_t>(dias)) + U32(ticks);
}

std::string Plp(const std::u16string& texto) {
    const std::string bytes = Utf16(texto);
    const auto largo = static_cast<uint32_t>(bytes.size());
    return U32(largo) + U32(0) + U32(largo) + bytes + U32(0);
}

std::string Respuesta(bool conMax) {
    std::vector<std::pair<std::u16string, std::string>> columnas{
        {u"Nombre", "\xE7" + U16(256) + kIntercalacion},
        {u"Entero", std::string("\x26\x04", 2)},
        {u"Grande", std::string("\x26\x08", 2)},
        {u"Doble", std::string("\x6D\x08", 2)},
        {u"Bit", std::string("\x68\x01", 2)},
        {u"Fecha", std::string("\x6F\x08", 2)},
        {u"Importe", std::string("\x6A\x09\x12\x02", 4)},  // decimal(18,2)
    };
    if (conMax) columnas.push_back({u"Largo", std::string("\xE7\xFF\xFF", 3) + kIntercalacion});
    std::string t = Columnas(columnas);
    t += "\xD1" + NVarchar(u"Caf\u00E9 \u65E5\u672C") + Entero(-7, 4) + Entero(5000000000, 8) +
         Doble(1.5) + Entero(1, 1) + FechaHora(45320, 300 * 3661) + std::string("\x05\x01", 2) +
         U32(12345);
    if (conMax) t += Plp(std::u16string(10000, u'x') + u"\u00E9");
    t += std::string("\xD1\xFF\xFF", 3) + std::string(6, '\0');
    if (conMax) t += std::string(8, '\xFF');
    return t + Fin(2);
}

std::unique_ptr<Connection> Conecta(const prueba::RespondedorTds& servidor) {
    auto conexion = NuevaConexionOdbc();
    conexion->SetConnectionTimeout(10);
    conexion->Open("Driver=FreeTDS;Server=127.0.0.1;Port=" + std::to_string(servidor.Puerto()) +
                       ";TDS_Version=7.4",
                   "sa", "x");
    return conexion;
}

class TiposDeValor : public ::testing::TestWithParam<bool> {};

TEST_P(TiposDeValor, CadaTipoDaSuClaseDeValor) {
    prueba::RespondedorTds servidor(Respuesta(GetParam()));
    auto conexion = Conecta(servidor);
    auto r = conexion->Execute("SELECT * FROM Tipos");
    ASSERT_NE(r, nullptr);
    ASSERT_FALSE(r->EOF());
    EXPECT_EQ(r->Field("Nombre"), Valor::Texto("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_EQ(r->Field("Entero"), Valor::Largo(-7));
    EXPECT_EQ(r->Field("Grande"), Valor::Doble(5000000000.0));
    EXPECT_EQ(r->Field("Doble"), Valor::Doble(1.5));
    EXPECT_EQ(r->Field("Bit"), Valor::Logico(true));
    EXPECT_EQ(r->Field("Fecha"), Valor::Fecha(HacerMomento(2024, 1, 31, 1, 1, 1)));
    EXPECT_EQ(r->Field("Importe"), Valor::Doble(123.45));
    if (GetParam()) {
        const Valor largo = r->Field("Largo");
        ASSERT_EQ(largo.tipo(), Valor::Tipo::String);
        EXPECT_EQ(largo.ComoTexto(), std::string(10000, 'x') + "\xC3\xA9");
    }
    r->MoveNext();
    ASSERT_FALSE(r->EOF());
    for (const char* nombre : {"Nombre", "Entero", "Grande", "Doble", "Bit", "Fecha", "Importe"})
        EXPECT_TRUE(r->Field(nombre).EsNulo()) << nombre;
    if (GetParam()) {
        EXPECT_TRUE(r->Field("Largo").EsNulo());
    }
    r->MoveNext();
    EXPECT_TRUE(r->EOF());
}

TEST_P(TiposDeValor, LeidasHaciaDelanteValenLoMismo) {
    prueba::RespondedorTds servidor(Respuesta(GetParam()));
    auto conexion = Conecta(servidor);
    std::vector<std::string> columnas{"Importe", "Fecha",  "Bit",   "Doble",
                                      "Grande",  "Entero", "Nombre"};
    if (GetParam()) columnas.insert(columnas.begin() + 3, "Largo");
    std::vector<std::vector<Valor>> leidas;
    ASSERT_TRUE(conexion->Recorre("SELECT * FROM Tipos", columnas, [&](const FilaLeida& f) {
        leidas.emplace_back();
        for (std::size_t c = 0; c < columnas.size(); ++c) leidas.back().push_back(f.Campo(c));
    }));
    auto r = conexion->Execute("SELECT * FROM Tipos");
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(leidas.size(), 2u);
    for (const auto& fila : leidas) {
        for (std::size_t c = 0; c < columnas.size(); ++c)
            EXPECT_EQ(fila[c], r->Field(columnas[c])) << columnas[c];
        r->MoveNext();
    }
}

INSTANTIATE_TEST_SUITE_P(Lecturas, TiposDeValor, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "PorPartes" : "EnBloques");
                         });

// A result whose connection closes after 1,000 of its rows, with no end: the rows of the blocks
// read whole are handed over, then the call fails as a lost link and the connection is closed.
TEST(ResultadoCortado, FallaComoEnlacePerdidoTrasLasFilasLeidas) {
    std::string respuesta = Columnas(
        {{u"Nombre", "\xE7" + U16(256) + kIntercalacion}, {u"Entero", std::string("\x26\x04", 2)}});
    for (int i = 0; i < 1000; ++i) respuesta += "\xD1" + NVarchar(u"Fila") + Entero(i, 4);
    prueba::RespondedorTds servidor(respuesta, true);
    auto conexion = Conecta(servidor);
    std::vector<double> leidas;
    try {
        conexion->Recorre("SELECT * FROM Cortada", {"Entero"},
                          [&](const FilaLeida& f) { leidas.push_back(f.Numero(0).value()); });
        FAIL() << "a result cut short was taken as whole";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero(), errores::kFalloGeneral);
    }
    ASSERT_FALSE(conexion->Errors().empty());
    EXPECT_EQ(conexion->Errors().front().SqlState, "08S01");
    EXPECT_FALSE(conexion->IsOpen());
    EXPECT_LT(leidas.size(), 1000u);
    for (std::size_t i = 0; i < leidas.size(); ++i) ASSERT_EQ(leidas[i], static_cast<double>(i));
}

}  // namespace
}  // namespace velqor::db
