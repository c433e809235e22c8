#pragma once
// A private freetds.conf for the time of one login: FreeTDS reads its certificate checks (CA file,
// host name) only from such a file, which it finds through the FREETDSCONF environment variable
// when it connects. The file lives in this user's own folder of the temporary folder
// ("velqor-UID", mode 0700) under a name that carries the process id ("freetds-PID-N.conf"); it is
// removed when its owner goes, when a signal ends the process (BorradoAlSalir), and, should the
// process die by a signal nothing can catch, by the next one that makes such a file.

#include <memory>
#include <optional>
#include <string>

#include "common/BorradoAlSalir.h"

namespace velqor::db {

class ConfFreeTdsTemporal {
  public:
    // Writes `texto` to a new file readable by its owner only and points FREETDSCONF at it; with
    // an empty text it does nothing. Files of processes that no longer run are removed first.
    // Throws ErrorEjecucion when the file cannot be written or the folder is not this user's own.
    explicit ConfFreeTdsTemporal(const std::string& texto);
    // Puts FREETDSCONF back as it was and removes the file.
    ~ConfFreeTdsTemporal();
    ConfFreeTdsTemporal(const ConfFreeTdsTemporal&) = delete;
    ConfFreeTdsTemporal& operator=(const ConfFreeTdsTemporal&) = delete;

    // The file written; empty when there is none.
    const std::string& Ruta() const { return ruta_; }

    // This user's folder for such files in the temporary folder (created when missing). Throws
    // ErrorEjecucion when it cannot be made, or exists and is not a folder of this user's that
    // only this user may enter.
    static std::string Carpeta();

  private:
    std::string ruta_;
    std::unique_ptr<BorradoAlSalir> borrado_;
    std::optional<std::string> anterior_;
};

}  // namespace velqor::db
