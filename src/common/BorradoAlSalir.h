#pragma once
// BorradoAlSalir: a file that must not outlive the process, even when a signal ends it. While an
// object lives, SIGINT, SIGTERM, SIGHUP and SIGQUIT remove its file before they end the process as
// they would have. A signal the program handles itself (an unattended run's stop request) or
// ignores is left to the program, whose own exit removes the file through the object's destructor.

#include <string>

namespace velqor {

class BorradoAlSalir {
  public:
    // Takes charge of ruta (an absolute path). At most kMaximo files at once: a further one is not
    // removed by a signal, only by its destructor.
    explicit BorradoAlSalir(const std::string& ruta);
    // Removes the file and gives up the charge.
    ~BorradoAlSalir();
    BorradoAlSalir(const BorradoAlSalir&) = delete;
    BorradoAlSalir& operator=(const BorradoAlSalir&) = delete;

    static constexpr int kMaximo = 8;

  private:
    std::string ruta_;
    int hueco_ = -1;
};

}  // namespace velqor
