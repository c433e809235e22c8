#pragma once
// The backup files sqlsim writes and later verifies: a header naming what was backed up, a hash
// of that header (the media's own structure) and, for a backup taken WITH CHECKSUM, a backup
// checksum. Any change to the file is seen by RESTORE VERIFYONLY as damage.

#include <string>
#include <string_view>

namespace velqor::sqlsim {

// The content of a backup of base ("BACKUP LOG" or "BACKUP DATABASE" as que).
std::string ContenidoRespaldo(std::string_view que, std::string_view base, bool conChecksum);

enum class EstadoRespaldo {
    Valido,       // written by sqlsim and unchanged
    SinChecksum,  // unchanged, but taken without a backup checksum
    Danado,       // not a backup sqlsim wrote, or changed since
};

// What RESTORE VERIFYONLY finds in a file's content.
EstadoRespaldo LeeRespaldo(std::string_view contenido);

}  // namespace velqor::sqlsim
