// How sqlsim reads an object name out of a statement's text, and which schema and database it
// then stands for.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "NombreObjeto.h"

namespace velqor::sqlsim {
namespace {

struct Caso {
    const char* texto;
    std::optional<std::vector<std::string>> partes;  // nullopt: does not parse
    std::optional<NombreResuelto> resuelto;          // nullopt: names no object
};

std::string Muestra(const std::optional<NombreResuelto>& r) {
    return r ? r->base + "|" + r->esquema + "|" + r->objeto : "(none)";
}

TEST(NombreObjeto, PartsAndWhatTheyStandFor) {
    using Partes = std::vector<std::string>;
    const std::vector<Caso> casos = {
        {"Orders", Partes{"Orders"}, NombreResuelto{"", "dbo", "Orders"}},
        {"Sales.Orders", Partes{"Sales", "Orders"}, NombreResuelto{"", "Sales", "Orders"}},
        {"[Sales.Orders]", Partes{"Sales.Orders"}, NombreResuelto{"", "dbo", "Sales.Orders"}},
        {"[Sales].[Orders]", Partes{"Sales", "Orders"}, NombreResuelto{"", "Sales", "Orders"}},
        {"\"Sales\".\"Ord\"\"ers\"", Partes{"Sales", "Ord\"ers"},
         NombreResuelto{"", "Sales", "Ord\"ers"}},
        {"[dbo].[a]]b.c]", Partes{"dbo", "a]b.c"}, NombreResuelto{"", "dbo", "a]b.c"}},
        {"[Order Details]", Partes{"Order Details"}, NombreResuelto{"", "dbo", "Order Details"}},
        {"Order Details", Partes{"Order Details"}, NombreResuelto{"", "dbo", "Order Details"}},
        {"Ventas.Sales.Orders", Partes{"Ventas", "Sales", "Orders"},
         NombreResuelto{"Ventas", "Sales", "Orders"}},
        {"Ventas..Orders", Partes{"Ventas", "", "Orders"},
         NombreResuelto{"Ventas", "dbo", "Orders"}},
        {".Orders", Partes{"", "Orders"}, NombreResuelto{"", "dbo", "Orders"}},
        {"a.b.c.d", Partes{"a", "b", "c", "d"}, std::nullopt},
        {"Sales.", Partes{"Sales", ""}, std::nullopt},
        {"", Partes{""}, std::nullopt},
        {"[Sales", std::nullopt, std::nullopt},
        {"[Sales]x", std::nullopt, std::nullopt},
        {"\"Sales", std::nullopt, std::nullopt},
        {"[]", std::nullopt, std::nullopt},
        {"x[y]", Partes{"x[y]"}, NombreResuelto{"", "dbo", "x[y]"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        const auto partes = PartesNombre(c.texto);
        EXPECT_EQ(partes, c.partes);
        const auto resuelto = partes ? ResuelveNombre(*partes) : std::nullopt;
        EXPECT_EQ(Muestra(resuelto), Muestra(c.resuelto));
    }
}

}  // namespace
}  // namespace velqor::sqlsim
