#include "drill/create_child_window.h"
#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "drill/texts.h"

namespace kestran {
namespace {

// Template order is tab order: the answer box first, then the slider.
const plat::DialogControl kMainDialogControls[] = {
    {kAnswerBoxId, plat::ControlKind::Edit, 85, 78, 101, 14, 0x50810080, 0x221},
    {kSpeedSliderId, plat::ControlKind::HorizontalScrollBar, 94, 96, 80, 8, 0x50000000, 0},
};

constexpr plat::DialogTemplate MakeTemplate() {
    plat::DialogTemplate t;
    t.resource = kMainDialogResource;
    t.caption = texts::kProgramName;
    t.fontFace = "MS Shell Dlg";
    t.fontPointSize = 12;
    t.fontWeight = 700;
    t.fontCharset = 134;  // GB2312
    t.x = 100;
    t.y = 100;
    t.width = 267;
    t.height = 116;
    // Popup with caption, system menu and minimise box, modal frame, set
    // font; no maximise box and no sizing border, so the size stays fixed.
    t.style = 0x80CA00C8;
    t.iconResource = kProgramIcon;
    t.controls = kMainDialogControls;
    t.controlCount = static_cast<int>(sizeof kMainDialogControls / sizeof kMainDialogControls[0]);
    return t;
}

const plat::DialogTemplate kMainDialogTemplate = MakeTemplate();

}  // namespace

const plat::DialogTemplate& MainDialogTemplate() { return kMainDialogTemplate; }

}  // namespace kestran
