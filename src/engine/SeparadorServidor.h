#pragma once
// SeparadorServidor: the character the database server's own file system joins a folder and a
// file name with, for the backup files it writes.

#include <string>

#include "db/Connection.h"

namespace velqor {

// '/' when carpeta starts with '/' or the server says it runs on Linux (host_platform of
// sys.dm_os_host_info, SQL Server 2017 and later); '\' otherwise, also when the server refuses the
// view (older servers, which run on Windows only). Sends at most one query on conn; a failure
// other than the server's refusal (a lost link, a cancelled wait) propagates.
char SeparadorServidor(db::Connection& conn, const std::string& carpeta);

}  // namespace velqor
