#pragma once
// ErrorProveedor: one diagnostic record the server or its driver gave for a failing call, as plain
// data, so that whoever reports the failure needs no database layer to list them.

#include <cstdint>
#include <string>

namespace velqor {

struct ErrorProveedor {
    int32_t NativeError = 0;  // the server's own error number; 0 for the driver's records
    std::string Description;  // as the driver gives it, e.g. "[FreeTDS][SQL Server]Login failed ..."
    std::string SqlState;
};

}  // namespace velqor
