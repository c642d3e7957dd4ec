// The speed slider: bands, snapping, and the ticker's timer it re-arms.
#include <gtest/gtest.h>

#include <chrono>

#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "platform/core/thread_queue.h"
#include "platform/headless/headless_backend.h"

namespace {

using Clock = plat::ThreadQueue::Clock;
using std::chrono::milliseconds;

plat::LResult QuietProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

class SpeedSlider : public ::testing::Test {
protected:
    void SetUp() override {
        kestran::ResetDrillStateForTest();
        plat::RegisterClass(plat::WindowClass{0, QuietProc, 0, nullptr, "ticker-stand-in"});
        ticker = plat::CreateWindow("ticker-stand-in", "", 0, 0, 0, 0, 0, nullptr);
        kestran::TickerWindow = ticker;
        plat::SetTimer(ticker, 3, 27);  // as the ticker arms itself at start
        dialog = plat::CreateDialog(kestran::MainDialogTemplate(), nullptr, kestran::MainDialogProc, 0);
        slider = plat::GetDlgItem(dialog, kestran::kSpeedSliderId);
        ASSERT_NE(slider, nullptr);
    }
    void TearDown() override {
        plat::CurrentThreadQueue().KillTimersOf(ticker);
        kestran::TickerWindow = nullptr;
    }

    std::intptr_t Scroll(int code, int position) {
        return kestran::MainDialogProc(dialog, plat::WM_HSCROLL,
                                       plat::MakeWParam(static_cast<std::uint16_t>(code),
                                                        static_cast<std::uint16_t>(position)),
                                       reinterpret_cast<plat::LParam>(slider));
    }

    // The identifier of the next timer that fires for the ticker window.
    std::uintptr_t NextTimerId() {
        plat::Message m;
        do {
            plat::GetMessage(m);
        } while (m.message != plat::WM_TIMER || m.window != ticker);
        return m.wParam;
    }

    plat::HeadlessBackend backend;
    plat::Window ticker = nullptr;
    plat::Window dialog = nullptr;
    plat::Window slider = nullptr;
};

TEST_F(SpeedSlider, StartsInTheMiddleOfItsRangeWithTheStartTimerUntouched) {
    EXPECT_EQ(slider->scrollMin, 0);
    EXPECT_EQ(slider->scrollMax, 100);
    EXPECT_EQ(backend.windows.ScrollPos(slider), 50);
    EXPECT_EQ(NextTimerId(), 3u);
}

struct BandCase {
    int code;
    int position;
    int snappedTo;
    unsigned periodMs;
};

void PrintTo(const BandCase& c, std::ostream* os) {
    *os << "code " << c.code << " at " << c.position << " -> " << c.snappedTo << ", " << c.periodMs << " ms";
}

class SpeedBands : public SpeedSlider, public ::testing::WithParamInterface<BandCase> {};

TEST_P(SpeedBands, SnapTheThumbAndMoveTheTickerToTimerOneAtTheBandsPeriod) {
    const BandCase& c = GetParam();
    const Clock::time_point before = Clock::now();
    EXPECT_EQ(Scroll(c.code, c.position), 0);
    const Clock::time_point after = Clock::now();

    EXPECT_EQ(backend.windows.ScrollPos(slider), c.snappedTo);
    // The only timer left is due one period after it was armed.
    const Clock::time_point due = plat::CurrentThreadQueue().NextTimerDue();
    EXPECT_GE(due - before, milliseconds(c.periodMs));
    EXPECT_LE(due - after, milliseconds(c.periodMs));
    EXPECT_FALSE(plat::KillTimer(ticker, 3)) << "the start timer is gone";
    EXPECT_EQ(NextTimerId(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Positions, SpeedBands,
                         ::testing::Values(BandCase{plat::SB_THUMBPOSITION, 0, 0, 48},
                                           BandCase{plat::SB_THUMBTRACK, 24, 0, 48},
                                           BandCase{plat::SB_THUMBPOSITION, 25, 50, 27},
                                           BandCase{plat::SB_THUMBTRACK, 49, 50, 27},
                                           BandCase{plat::SB_THUMBPOSITION, 50, 50, 27},
                                           BandCase{plat::SB_THUMBTRACK, 74, 50, 27},
                                           BandCase{plat::SB_THUMBPOSITION, 75, 100, 8},
                                           BandCase{plat::SB_THUMBTRACK, 100, 100, 8}));

struct IgnoredCase {
    int code;
    int position;
};

void PrintTo(const IgnoredCase& c, std::ostream* os) { *os << "code " << c.code << " at " << c.position; }

class IgnoredScrolls : public SpeedSlider, public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(IgnoredScrolls, LeaveTheThumbAndTheTimerAlone) {
    const IgnoredCase& c = GetParam();
    const Clock::time_point dueBefore = plat::CurrentThreadQueue().NextTimerDue();
    EXPECT_EQ(Scroll(c.code, c.position), 0);
    EXPECT_EQ(backend.windows.ScrollPos(slider), 50);
    EXPECT_EQ(plat::CurrentThreadQueue().NextTimerDue(), dueBefore);
    EXPECT_EQ(NextTimerId(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Codes, IgnoredScrolls,
                         ::testing::Values(IgnoredCase{plat::SB_THUMBPOSITION, 101},
                                           IgnoredCase{plat::SB_THUMBTRACK, 65535},
                                           IgnoredCase{plat::SB_LINELEFT, 10}, IgnoredCase{plat::SB_LINERIGHT, 90},
                                           IgnoredCase{plat::SB_PAGELEFT, 0}, IgnoredCase{plat::SB_PAGERIGHT, 100},
                                           IgnoredCase{6, 0} /* to the top */, IgnoredCase{7, 100} /* bottom */,
                                           IgnoredCase{plat::SB_ENDSCROLL, 80}));

TEST_F(SpeedSlider, ADragEndsAtTheBandWhereTheThumbIsReleased) {
    Scroll(plat::SB_THUMBTRACK, 10);
    Scroll(plat::SB_THUMBTRACK, 60);
    Scroll(plat::SB_THUMBTRACK, 95);
    EXPECT_EQ(backend.windows.ScrollPos(slider), 100);
    const Clock::time_point before = Clock::now();
    Scroll(plat::SB_THUMBPOSITION, 12);
    EXPECT_EQ(backend.windows.ScrollPos(slider), 0);
    EXPECT_GE(plat::CurrentThreadQueue().NextTimerDue() - before, milliseconds(48));
    EXPECT_EQ(NextTimerId(), 1u);
    EXPECT_EQ(NextTimerId(), 1u) << "one timer, firing again";
}

TEST_F(SpeedSlider, ClosingTheDialogEndsTheProcessWithStatusZero) {
    try {
        kestran::MainDialogProc(dialog, plat::WM_CLOSE, 0, 0);
        ADD_FAILURE() << "closing returned";
    } catch (const plat::ExitCalled& exit) {
        EXPECT_EQ(exit.status, 0);
    }
}

TEST_F(SpeedSlider, WithoutPicturesTheDialogKeepsTheDefaultBackground) {
    EXPECT_EQ(kestran::MainDialogProc(dialog, plat::WM_CTLCOLORDLG, 0, 0), 0);
}

}  // namespace
