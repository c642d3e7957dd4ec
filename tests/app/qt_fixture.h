// The Qt window system with a dialog holding an answer box, for tests that
// drive the program through real toolkit events.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/win_main.h"
#include "drill/drill_state.h"
#include "platform/posix/posix_process.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_window_system.h"
#include "tests/app/app_fixture.h"

namespace kestran::testing {

inline plat::qt::QtWindowSystem& SharedQtWindows() {
    static auto* windows = new plat::qt::QtWindowSystem();
    return *windows;
}

class QtAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        previous = plat::Install(plat::Services{&SharedQtWindows(), nullptr, nullptr, nullptr, &process});
        MainDialog = plat::CreateDialog(TestDialogTemplate(), nullptr, nullptr, 0);
        plat::ShowWindow(MainDialog, plat::SW_SHOWNORMAL);
        answerBox = plat::GetDlgItem(MainDialog, kAnswerBoxId);
        edit = static_cast<QLineEdit*>(plat::qt::WidgetOf(answerBox));
        edit->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (QWidget* w = plat::qt::WidgetOf(MainDialog)) w->hide();
        plat::Install(previous);
        ResetDrillStateForTest();
    }
    // Runs the UiThread loop until everything posted before has been handled.
    void RunLoop() {
        plat::PostMessage(MainDialog, kSentinel, 0, 0);
        plat::Message m{};
        while (RunLoopOnce(m, false) && m.message != kSentinel) {
        }
    }

    plat::PosixProcess process;
    plat::Services previous;
    plat::Window answerBox = nullptr;
    QLineEdit* edit = nullptr;
};

}  // namespace kestran::testing
