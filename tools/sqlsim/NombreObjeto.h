#pragma once
// Object names as SQL Server reads them from a statement's text ('Sales.Orders',
// '[dbo].[Order Details]', N'"x"."y"'): up to three parts, database.schema.object, and the
// schema a name without one stands for. Pure functions, no state.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velqor::sqlsim {

// The schema a one-part name is looked up in: the login's default schema.
inline constexpr std::string_view kEsquemaPorDefecto = "dbo";

struct NombreResuelto {
    std::string base;  // empty: the current database
    std::string esquema;
    std::string objeto;
};

// Splits texto into its parts. A part is bare (every character up to the next '.'),
// [bracketed] with "]]" standing for "]", or "quoted" with "\"\"" standing for "\""; a '.' outside
// the delimiters separates parts. nullopt when a delimiter is left open or is followed by anything
// but '.' or the end. "Sales.Orders" gives {Sales, Orders}; "[Sales.Orders]" gives {Sales.Orders}.
std::optional<std::vector<std::string>> PartesNombre(std::string_view texto);

// What a name of one to three parts stands for: an empty or missing schema part is the default
// schema, an empty or missing database part the current database. nullopt for no part, more than
// three parts or an empty object part.
std::optional<NombreResuelto> ResuelveNombre(const std::vector<std::string>& partes);

}  // namespace velqor::sqlsim
