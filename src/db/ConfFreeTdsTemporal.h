#pragma once
// A private freetds.conf for the time of one login: FreeTDS reads its certificate checks (CA file,
// host name) only from such a file, which it finds through the FREETDSCONF environment variable
// when it connects.

#include <optional>
#include <string>

namespace velqor::db {

class ConfFreeTdsTemporal {
  public:
    // Writes `texto` to a new file readable by its owner only and points FREETDSCONF at it; with
    // an empty text it does nothing. Throws ErrorEjecucion when the file cannot be written.
    explicit ConfFreeTdsTemporal(const std::string& texto);
    // Puts FREETDSCONF back as it was and removes the file.
    ~ConfFreeTdsTemporal();
    ConfFreeTdsTemporal(const ConfFreeTdsTemporal&) = delete;
    ConfFreeTdsTemporal& operator=(const ConfFreeTdsTemporal&) = delete;

  private:
    std::string ruta_;
    std::optional<std::string> anterior_;
};

}  // namespace velqor::db
