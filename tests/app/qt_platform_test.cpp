// The hard parts of the Qt window system: windows owned by worker threads,
// timers re-armed across threads, dialog text read across threads while a
// modal box runs, scroll bars that move only when told, and exit.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "drill/create_child_window.h"
#include "app/main_dialog.h"
#include "tests/app/qt_fixture.h"

namespace kestran {
namespace {

using namespace std::chrono_literals;
using testing::QtAppTest;

// Messages seen by the worker's window, with the thread they ran on.
std::mutex gSeenMutex;
std::vector<std::pair<plat::MessageId, std::thread::id>> gSeen;

plat::LResult RecordingProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    if (m == plat::WM_LBUTTONDOWN || m == plat::WM_LBUTTONDBLCLK || m == plat::WM_TIMER) {
        std::lock_guard lock(gSeenMutex);
        gSeen.emplace_back(m == plat::WM_TIMER ? static_cast<plat::MessageId>(0x10000 + wp) : m,
                           std::this_thread::get_id());
    }
    return plat::DefWindowProc(w, m, wp, lp);
}

std::vector<std::pair<plat::MessageId, std::thread::id>> Seen() {
    std::lock_guard lock(gSeenMutex);
    return gSeen;
}

// A worker thread that owns one window and pumps its queue like the canvas
// and ticker threads do.
class WorkerWindow {
public:
    explicit WorkerWindow(const char* className) {
        thread_ = std::thread([this, className] {
            window_ = CreateChildWindow(nullptr, RecordingProc, className, MainDialog,
                                        plat::WS_CHILD | plat::WS_VISIBLE, 0, 0, 60, 30);
            plat::Message m{};
            while (!stop_) {
                plat::Sleep(1);
                if (plat::PeekMessage(m)) {
                    if (m.message == plat::WM_TIMER && busyOnTick_) std::this_thread::sleep_for(120ms), busyOnTick_ = false;
                    plat::TranslateMessage(m);
                    plat::DispatchMessage(m);
                }
            }
        });
        while (!window_) QApplication::processEvents();
    }
    ~WorkerWindow() {
        stop_ = true;
        thread_.join();
    }
    plat::Window window() const { return window_; }
    std::thread::id id() const { return thread_.get_id(); }
    std::atomic<bool> busyOnTick_{false};

private:
    std::atomic<plat::Window> window_{nullptr};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}

class QtPlatform : public QtAppTest {
protected:
    void SetUp() override {
        QtAppTest::SetUp();
        std::lock_guard lock(gSeenMutex);
        gSeen.clear();
    }
};

TEST_F(QtPlatform, ClicksOnAWorkersWindowAreHandledOnThatWorker) {
    WorkerWindow worker("worker-click");
    QWidget* widget = plat::qt::WidgetOf(worker.window());
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
    WaitFor([] { return Seen().size() >= 1; });
    auto seen = Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, plat::WM_LBUTTONDOWN);
    EXPECT_EQ(seen[0].second, worker.id());
}

TEST_F(QtPlatform, ADoubleClickIsAPressAndADoubleClickMessage) {
    WorkerWindow worker("worker-dblclick");
    QWidget* widget = plat::qt::WidgetOf(worker.window());
    // What a real double click delivers: the second press comes before the
    // double click itself, and must not count as a click of its own.
    QTest::mousePress(widget, Qt::LeftButton);
    QTest::mouseRelease(widget, Qt::LeftButton);
    QTest::mousePress(widget, Qt::LeftButton);
    QTest::mouseDClick(widget, Qt::LeftButton);
    QTest::mouseRelease(widget, Qt::LeftButton);
    WaitFor([] { return Seen().size() >= 2; });
    std::this_thread::sleep_for(20ms);
    auto seen = Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, plat::WM_LBUTTONDOWN);
    EXPECT_EQ(seen[1].first, plat::WM_LBUTTONDBLCLK);
}

TEST_F(QtPlatform, TimerReArmedFromTheUiThreadKeepsTickingOnTheOwner) {
    WorkerWindow worker("worker-timer");
    plat::SetTimer(worker.window(), 3, 10);
    WaitFor([] { return Seen().size() >= 3; });
    plat::KillTimer(worker.window(), 3);
    plat::SetTimer(worker.window(), 1, 5);
    {
        std::lock_guard lock(gSeenMutex);
        gSeen.clear();
    }
    WaitFor([] { return Seen().size() >= 5; });
    auto seen = Seen();
    ASSERT_GE(seen.size(), 5u);
    for (auto& [message, thread] : seen) {
        EXPECT_EQ(message, 0x10000u + 1) << "only timer 1 ticks now";
        EXPECT_EQ(thread, worker.id());
    }
    plat::KillTimer(worker.window(), 1);
}

TEST_F(QtPlatform, TicksMissedWhileTheOwnerIsBusyAreNotMadeUp) {
    WorkerWindow worker("worker-busy");
    worker.busyOnTick_ = true;  // the first tick takes 120 ms: 24 periods
    plat::SetTimer(worker.window(), 3, 5);
    std::this_thread::sleep_for(200ms);
    plat::KillTimer(worker.window(), 3);
    std::this_thread::sleep_for(20ms);
    auto seen = Seen();
    // About 80 ms of free running after the busy tick, at 5 ms: ~16 ticks.
    // Making the 24 missed ones up would give 40.
    EXPECT_GE(seen.size(), 5u);
    EXPECT_LE(seen.size(), 25u);
}

TEST_F(QtPlatform, AnswerBoxIsReadFromAnotherThreadWhileAModalBoxRuns) {
    edit->setText("banana");
    std::atomic<bool> readDone{false};
    std::string read;
    bool doneBeforeBoxClosed = false;
    QTimer::singleShot(150, [&] {
        doneBeforeBoxClosed = readDone;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                box->button(QMessageBox::Cancel)->click();
    });
    std::thread reader([&] {
        std::this_thread::sleep_for(30ms);  // the box is up by now
        char buffer[64];
        plat::GetDlgItemText(MainDialog, kAnswerBoxId, buffer, sizeof buffer);
        read = buffer;
        readDone = true;
    });
    int answer = plat::MessageBox(MainDialog, "?", "KESTRAN", plat::MB_OKCANCEL | plat::MB_ICONWARNING);
    reader.join();
    EXPECT_EQ(answer, plat::IDCANCEL);
    EXPECT_TRUE(doneBeforeBoxClosed) << "the modal loop served the request";
    EXPECT_EQ(read, "banana");
}

TEST_F(QtPlatform, ScrollBarArrowsAndTroughDoNotMoveTheThumb) {
    plat::Window slider = plat::GetDlgItem(MainDialog, kSpeedSliderId);
    plat::SetScrollRange(slider, plat::SB_CTL, 0, 100, false);
    plat::SetScrollPos(slider, plat::SB_CTL, 50, false);
    auto* bar = static_cast<QScrollBar*>(plat::qt::WidgetOf(slider));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->sliderPosition(), 50);
    EXPECT_EQ(bar->value(), 50);
    std::vector<int> codes;
    plat::Message m{};
    while (plat::PeekMessage(m))
        if (m.message == plat::WM_HSCROLL) codes.push_back(plat::LowWord(m.wParam));
    EXPECT_EQ(codes, (std::vector<int>{plat::SB_LINERIGHT, plat::SB_PAGELEFT}));
    plat::SetScrollPos(slider, plat::SB_CTL, 100, false);
    EXPECT_EQ(bar->value(), 100) << "the program moves it";
}

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

TEST(QtPlatformExit, ExitEndsAtOnceWhileAWorkerWaitsForTheUiThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            plat::PosixProcess process;
            plat::Install(plat::Services{&testing::SharedQtWindows(), nullptr, nullptr, nullptr, &process});
            MainDialog = plat::CreateDialog(testing::TestDialogTemplate(), nullptr, nullptr, 0);
            std::thread([] {
                char buffer[64];
                plat::GetDlgItemText(MainDialog, kAnswerBoxId, buffer, sizeof buffer);  // never served
            }).detach();
            std::this_thread::sleep_for(50ms);
            plat::Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestran
