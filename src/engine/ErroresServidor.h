#pragma once
// SQL Server's native error numbers that change what the engine does next.

#include <cstdint>

namespace velqor::errores_servidor {

// A refused step that simply does not apply to this database or server.
inline constexpr int32_t kRecuperacionSimple = 4208;  // BACKUP LOG under the simple recovery model
inline constexpr int32_t kSinBackupPrevio = 4214;     // BACKUP LOG before any database backup
inline constexpr int32_t kOpcionDesconocida = 155;    // TRUNCATE_ONLY from SQL Server 2008 on
// The cloud database service refuses what it does not offer.
inline constexpr int32_t kSentenciaNoAdmitida = 40510;  // a statement (BACKUP, RESTORE)
inline constexpr int32_t kDbccNoAdmitido = 40518;       // a DBCC command (SHOWCONTIG, DBREINDEX)
// A server without the DBCC command asked for.
inline constexpr int32_t kDbccIncorrecto = 2526;
// A backup device (folder or file) the server cannot open.
inline constexpr int32_t kDispositivoInvalido = 3201;

}  // namespace velqor::errores_servidor
