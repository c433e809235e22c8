#include <gtest/gtest.h>

#include "db/ErroresAdo.h"
#include "db/RecordsetLeido.h"

namespace velqor::db {
namespace {

using Clase = ColumnaLeida::Clase;

int32_t NumeroDeError(const auto& accion) {
    try {
        accion();
    } catch (const ErrorEjecucion& e) {
        return e.Numero();
    }
    return 0;
}

// Two rows: (7, 'Caf\u00e9', NULL) and (5000000000, NULL, True).
RecordsetLeido DosFilas() {
    std::vector<ColumnaLeida> columnas;
    columnas.emplace_back("Pages", Clase::Entero);
    columnas.emplace_back("ObjectName", Clase::Texto);
    columnas.emplace_back("Activo", Clase::Logico);
    columnas[0].AgregaNumero(7);
    columnas[0].AgregaNumero(5000000000.0);
    const std::u16string cafe = u"Caf\u00E9";
    columnas[1].AgregaTextoUtf16(cafe.data(), cafe.size());
    columnas[1].AgregaNulo();
    columnas[2].AgregaNulo();
    columnas[2].AgregaNumero(1);
    return RecordsetLeido(std::move(columnas));
}

TEST(RecordsetLeido, RecorreLasFilasConSusTipos) {
    RecordsetLeido r = DosFilas();
    ASSERT_FALSE(r.EOF());
    EXPECT_EQ(r.Field("Pages"), Valor::Largo(7));
    EXPECT_EQ(r.Field("objectname"), Valor::Texto("Caf\xC3\xA9"));
    EXPECT_TRUE(r.Field("ACTIVO").EsNulo());
    r.MoveNext();
    ASSERT_FALSE(r.EOF());
    EXPECT_EQ(r.Field("Pages"), Valor::Doble(5000000000.0));
    EXPECT_TRUE(r.Field("ObjectName").EsNulo());
    EXPECT_EQ(r.Field("Activo"), Valor::Logico(true));
    r.MoveNext();
    EXPECT_TRUE(r.EOF());
}

TEST(RecordsetLeido, ClasesNumericasYFecha) {
    std::vector<ColumnaLeida> columnas;
    columnas.emplace_back("d", Clase::Doble);
    columnas.emplace_back("f", Clase::Fecha);
    columnas.emplace_back("n", Clase::Entero);
    columnas[0].AgregaNumero(12.5);
    const Momento momento = HacerMomento(2024, 1, 31, 23, 59, 58);
    columnas[1].AgregaNumero(static_cast<double>(momento.time_since_epoch().count()));
    columnas[2].AgregaNumero(-2147483648.0);
    RecordsetLeido r(std::move(columnas));
    EXPECT_EQ(r.Field("d"), Valor::Doble(12.5));
    EXPECT_EQ(r.Field("f"), Valor::Fecha(momento));
    EXPECT_EQ(r.Field("n"), Valor::Largo(-2147483647 - 1));
}

TEST(RecordsetLeido, NombreDesconocidoDa3265AunEnEOF) {
    RecordsetLeido r = DosFilas();
    EXPECT_EQ(NumeroDeError([&] { r.Field("Nada"); }), errores::kCampoInexistente);
    r.MoveNext();
    r.MoveNext();
    EXPECT_EQ(NumeroDeError([&] { r.Field("Nada"); }), errores::kCampoInexistente);
}

TEST(RecordsetLeido, SinFilaActualDa3021) {
    RecordsetLeido vacio(std::vector<ColumnaLeida>{ColumnaLeida("name", Clase::Texto)});
    EXPECT_TRUE(vacio.EOF());
    EXPECT_EQ(NumeroDeError([&] { vacio.Field("name"); }), ado::kSinRegistroActual);
    EXPECT_EQ(NumeroDeError([&] { vacio.MoveNext(); }), ado::kSinRegistroActual);
}

TEST(RecordsetLeido, CerradoDa3704EnTodo) {
    RecordsetLeido r = DosFilas();
    r.Close();
    EXPECT_EQ(NumeroDeError([&] { (void)r.EOF(); }), errores::kObjetoCerrado);
    EXPECT_EQ(NumeroDeError([&] { r.Field("Pages"); }), errores::kObjetoCerrado);
    EXPECT_EQ(NumeroDeError([&] { r.MoveNext(); }), errores::kObjetoCerrado);
    EXPECT_EQ(NumeroDeError([&] { r.Close(); }), errores::kObjetoCerrado);
}

}  // namespace
}  // namespace velqor::db
