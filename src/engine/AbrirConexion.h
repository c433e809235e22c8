#pragma once
// Opening the pass's connection from its definition, with the encryption it asks for.

#include "components/PerfilConexion.h"
#include "db/Connection.h"

namespace velqor {

// Opens `conn` with the definition's connection string. Where FreeTDS must check the server's
// certificate, it is given the checks for the time of the login. Throws ErrorEjecucion: at once
// when the definition asks for strict encryption of a driver that cannot make it or names a CAFile
// that cannot be read; after a failed
// login whose cause lies in encryption (a server without it, or one that insists on it, a
// certificate that does not verify or does not name the host), with one sentence saying what to
// change in place of the driver's generic text, which stays in conn.Errors(); otherwise as Open.
void AbreConexion(db::Connection& conn, const PerfilConexion& perfil, int32_t segundosLogin);

}  // namespace velqor
