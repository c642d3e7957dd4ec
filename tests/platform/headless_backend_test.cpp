// What only the headless backend does: its class table and its stand-in for
// the keyboard translation. The rules every backend keeps are in the
// window-system contract suite.
#include <gtest/gtest.h>

#include "platform/headless/headless_backend.h"

namespace {

plat::LResult QuietProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

const plat::DialogControl kControls[] = {
    {1002, plat::ControlKind::Edit, 85, 78, 101, 14, 0x50810080, 0x221},
    {1007, plat::ControlKind::HorizontalScrollBar, 94, 96, 80, 8, 0x50000000, 0},
};

plat::DialogTemplate Template() {
    plat::DialogTemplate t;
    t.caption = "KESTRAN";
    t.width = 267;
    t.height = 116;
    t.controls = kControls;
    t.controlCount = 2;
    return t;
}

}  // namespace

TEST(HeadlessWindows, ClassNamesAreRegisteredOnce) {
    plat::HeadlessBackend backend;
    EXPECT_TRUE(plat::RegisterClass(plat::WindowClass{0, QuietProc, 0, nullptr, "once"}));
    EXPECT_FALSE(plat::RegisterClass(plat::WindowClass{0, QuietProc, 0, nullptr, "once"}));
    EXPECT_EQ(plat::CreateWindow("never-registered", "", 0, 0, 0, 1, 1, nullptr), nullptr);
}

TEST(HeadlessDialog, TranslatedKeysTypeIntoTheEditControl) {
    plat::HeadlessBackend backend;
    plat::Window dialog = plat::CreateDialog(Template(), nullptr, nullptr, 0);
    plat::Window edit = plat::GetDlgItem(dialog, 1002);
    for (int vk : {int{'A'}, plat::VK_SPACE, int{'B'}}) {
        plat::Message m{edit, plat::WM_KEYDOWN, static_cast<plat::WParam>(vk), 0};
        plat::TranslateMessage(m);
        plat::DispatchMessage(m);
        while (plat::PeekMessage(m)) plat::DispatchMessage(m);
    }
    EXPECT_EQ(backend.windows.ControlText(dialog, 1002), "a b");
}
