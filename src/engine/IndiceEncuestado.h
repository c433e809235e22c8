#pragma once
// One index as the fragmentation survey found it: what statements name it by, how it is shown,
// its size and its scan density.

#include <cstdint>
#include <string>

namespace velqor {

struct IndiceEncuestado {
    std::string esquema;  // empty when the catalog did not say: named by its bare name
    std::string tabla;    // the table's own name, without its schema
    std::string indice;
    int64_t objectId = 0;  // 0 when not known
    int32_t indexId = 0;
    int64_t paginas = 0;  // pages of the index (of all its partitions)
    // Scan density in percent (100 is perfectly dense); NaN when the server gave no figure: such
    // an index sorts first and is never under a threshold.
    double densidad = 0;

    // The table as reports, progress texts and the history show it: "Orders" in dbo (or when the
    // schema is not known), "Sales.Orders" in another schema; "[Sales.Orders]" for a table of
    // dbo (or of no known schema) whose own name holds a dot.
    std::string TablaVisible() const;
    // The table as a statement names it: [Sales].[Orders], or [Orders] without a schema.
    std::string TablaSql() const;
};

}  // namespace velqor
