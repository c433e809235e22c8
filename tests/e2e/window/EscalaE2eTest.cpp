// The real window on a screen of twice the usual dots per inch: every control lies at its design
// place and size, scaled.

#include <gtest/gtest.h>

#include <QLabel>
#include <cmath>

#include "VentanaE2e.h"

namespace velqor::prueba {
namespace {

TEST_F(VentanaE2e, ControlsAreScaledFromTheirDesignPlacesAtTwiceTheUsualDpi) {
    Abre(1433);
    ASSERT_EQ(ventana->logicalDpiX(), 192) << "the test's screen shows 192 dots per inch";
    auto pixeles = [](float twips) {
        return static_cast<int>(std::lround(twips / ventana::kTwipsPorPixel * 2.0f));
    };
    EXPECT_EQ(ventana->width(), pixeles(ventana::kClienteDiseno.width));
    EXPECT_EQ(ventana->height(), pixeles(ventana::kClienteDiseno.height));
    for (const ventana::ControlDiseno& diseno : ventana::kDiseno) {
        // The panel follows the resize rule and the status bar is docked to the bottom.
        if (diseno.control == Control::picTab || diseno.control == Control::sbEstado) continue;
        const QRect r = W(diseno.control)->geometry();
        const int c = static_cast<int>(diseno.control);
        EXPECT_EQ(r.x(), pixeles(diseno.lugar.left)) << c;
        EXPECT_EQ(r.y(), pixeles(diseno.lugar.top)) << c;
        EXPECT_EQ(r.height(), pixeles(diseno.lugar.height)) << c;
        // A one-line label may grow to show its whole caption, never shrink.
        if (qobject_cast<QLabel*>(W(diseno.control)) && diseno.control != Control::lblInfo) {
            EXPECT_GE(r.width(), pixeles(diseno.lugar.width)) << c;
        } else {
            EXPECT_EQ(r.width(), pixeles(diseno.lugar.width)) << c;
        }
    }
    EXPECT_EQ(W(Control::sbEstado)->height(),
              pixeles(ventana::Diseno(Control::sbEstado).lugar.height));
    EXPECT_EQ(W(Control::sbEstado)->width(), ventana->width());
}

}  // namespace
}  // namespace velqor::prueba
