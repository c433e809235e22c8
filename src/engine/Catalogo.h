#pragma once
// The schema and name of every table and view of the database, by object id: one catalog query,
// which both surveys use to name the indexes they find.

#include <cstdint>
#include <map>
#include <string>

#include "db/Connection.h"

namespace velqor {

struct ObjetoCatalogo {
    std::string esquema;
    std::string nombre;
};

// Reads sys.objects (tables and views) over conn; throws what the server refused.
std::map<int64_t, ObjetoCatalogo> LeeCatalogo(db::Connection& conn);

}  // namespace velqor
