// A dialog with an answer box on the headless backend, and a way to run the
// UiThread loop until everything posted so far is handled.
#pragma once

#include <gtest/gtest.h>

#include "app/win_main.h"
#include "drill/drill_state.h"
#include "platform/headless/headless_backend.h"

namespace kestran::testing {

inline constexpr plat::MessageId kSentinel = 0x7FFF;

inline const plat::DialogTemplate& TestDialogTemplate() {
    static const plat::DialogControl controls[] = {
        {kAnswerBoxId, plat::ControlKind::Edit, 85, 78, 101, 14, 0x50810080, 0x221},
        {kSpeedSliderId, plat::ControlKind::HorizontalScrollBar, 94, 96, 80, 8, 0x50000000, 0},
    };
    static plat::DialogTemplate t = [] {
        plat::DialogTemplate d;
        d.caption = "KESTRAN";
        d.fontFace = "MS Shell Dlg";
        d.fontPointSize = 12;
        d.fontWeight = 700;
        d.x = 100, d.y = 100, d.width = 267, d.height = 116;
        d.controls = controls;
        d.controlCount = 2;
        return d;
    }();
    return t;
}

class HeadlessAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        plat::Message stale{};
        while (plat::PeekMessage(stale)) {
        }
        MainDialog = plat::CreateDialog(TestDialogTemplate(), nullptr, nullptr, 0);
        answerBox = plat::GetDlgItem(MainDialog, kAnswerBoxId);
    }
    void TearDown() override { ResetDrillStateForTest(); }

    void PostKey(int vk, plat::Window to = nullptr) {
        plat::PostMessage(to ? to : answerBox, plat::WM_KEYDOWN, static_cast<plat::WParam>(vk), 1);
    }
    // Runs the loop until nothing is left, characters made from keys included.
    void RunLoop() {
        for (bool handledOther = true; handledOther;) {
            handledOther = false;
            plat::PostMessage(answerBox, kSentinel, 0, 0);
            plat::Message m{};
            while (RunLoopOnce(m, false) && m.message != kSentinel) handledOther = true;
        }
    }
    std::string AnswerText() { return backend.windows.ControlText(MainDialog, kAnswerBoxId); }
    void Type(const std::string& gbk) { backend.windows.SetControlText(MainDialog, kAnswerBoxId, gbk); }

    plat::HeadlessBackend backend;
    plat::Window answerBox = nullptr;
};

}  // namespace kestran::testing
