// The Qt window system's own concern: laying out the dialog-unit template
// in pixels. The rules every backend keeps are in the window-system contract
// suite.
#include <gtest/gtest.h>

#include <QRect>

#include "app/main_dialog.h"
#include "platform/qt/qt_window_system.h"

namespace kestran {
namespace {

TEST(QtDialogLayout, TheDialogHoldsTheCanvasAndButtonsAndNothingOverlaps) {
    const plat::DialogTemplate& t = MainDialogTemplate();
    auto units = plat::qt::QtWindowSystem::BaseUnitsFor(t);
    auto px = [&](int v) { return plat::qt::DialogUnitsToPixelsX(v, units.x); };
    auto py = [&](int v) { return plat::qt::DialogUnitsToPixelsY(v, units.y); };
    EXPECT_GE(px(t.width), 58 + 480) << "the canvas fits";
    EXPECT_GE(py(t.height), 230) << "the lowest buttons fit";
    QRect buttons[] = {{264, 145, 76, 38}, {165, 147, 105, 38}, {335, 147, 105, 38}, {123, 180, 50, 50}, {432, 180, 50, 50}};
    QRect canvas(58, 33, 480, 75);
    for (int i = 0; i < t.controlCount; ++i) {
        const plat::DialogControl& c = t.controls[i];
        QRect control(px(c.x), py(c.y), px(c.width), py(c.height));
        EXPECT_TRUE(QRect(0, 0, px(t.width), py(t.height)).contains(control)) << "control " << c.id;
        EXPECT_FALSE(control.intersects(canvas)) << "control " << c.id;
        for (const QRect& b : buttons) EXPECT_FALSE(control.intersects(b)) << "control " << c.id << " under a button";
    }
}

}  // namespace
}  // namespace kestran
