// One QApplication on the offscreen platform for a whole test run, made before the first test and
// destroyed before the process's own statics go away. QSettings writes into a private folder,
// never the user's own. Built with VELQOR_PUNTOS_POR_PULGADA, the screen shows that many dots per
// inch instead of the usual 96.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "CarpetaTemporal.h"

namespace velqor::prueba {
namespace {

class EntornoQt final : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", configuracion_.Texto().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
#ifdef VELQOR_PUNTOS_POR_PULGADA
        setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        setenv("QT_FONT_DPI", std::to_string(VELQOR_PUNTOS_POR_PULGADA).c_str(), 1);
#endif
        aplicacion_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { aplicacion_.reset(); }

  private:
    CarpetaTemporal configuracion_;
    int argc_ = 1;
    char nombre_[18] = "velqor_window_e2e";
    char* argv_[2] = {nombre_, nullptr};
    std::unique_ptr<QApplication> aplicacion_;
};

[[maybe_unused]] ::testing::Environment* const kEntornoQt =
    ::testing::AddGlobalTestEnvironment(new EntornoQt);

}  // namespace
}  // namespace velqor::prueba
