// The window-system rules every backend keeps, written once and run against
// each backend: delivery to the owning thread, timers, waits, dialog text
// across threads during a modal box, double clicks, scroll-bar codes,
// closing, and an exposed canvas drawn again.
//
// Each backend's test file supplies a driver for what a person would do
// (double-click, right-click, click a scroll bar, answer a message box or a
// popup menu, close the dialog) and instantiates the suite with it. A driver without a pointer
// device answers false to the pointer actions and those tests are skipped.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "platform/platform.h"
#include "platform/system_process.h"
#include "tests/support/quiet_canvas_device.h"
#include "ui/canvas_proc.h"
#include "ui/renderer.h"

namespace kestran::contract {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

enum class ScrollPart { RightArrow, TroughLeftOfThumb };

inline constexpr plat::MessageId kProbe = 0x0400 + 7;  // a private message

// What the test windows saw, in order, with the thread that handled it.
struct Seen {
    plat::MessageId message;
    plat::WParam wParam;
    std::thread::id thread;
    Clock::time_point when;
};

class Journal {
public:
    void Add(plat::MessageId message, plat::WParam wParam) {
        std::lock_guard lock(mutex_);
        seen_.push_back(Seen{message, wParam, std::this_thread::get_id(), Clock::now()});
    }
    std::vector<Seen> Of(plat::MessageId message) {
        std::lock_guard lock(mutex_);
        std::vector<Seen> out;
        for (const Seen& s : seen_)
            if (s.message == message) out.push_back(s);
        return out;
    }
    std::vector<Seen> Clicks() {
        std::lock_guard lock(mutex_);
        std::vector<Seen> out;
        for (const Seen& s : seen_)
            if (s.message == plat::WM_LBUTTONDOWN || s.message == plat::WM_LBUTTONDBLCLK) out.push_back(s);
        return out;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        seen_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<Seen> seen_;
};

inline Journal& TheJournal() {
    static Journal journal;
    return journal;
}

inline plat::LResult RecordingWindowProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    switch (m) {
        case plat::WM_LBUTTONDOWN:
        case plat::WM_LBUTTONDBLCLK:
        case plat::WM_RBUTTONDOWN:
        case plat::WM_RBUTTONUP:
        case plat::WM_TIMER:
        case kProbe:
            TheJournal().Add(m, wp);
            return 0;
        default:
            return plat::DefWindowProc(w, m, wp, lp);
    }
}

inline std::intptr_t RecordingDialogProc(plat::Window, plat::MessageId m, plat::WParam wp, plat::LParam) {
    if (m == plat::WM_HSCROLL || m == plat::WM_CLOSE) {
        TheJournal().Add(m, wp);
        return 1;
    }
    return 0;
}

// Handles whatever reached the calling thread until `done` or the limit.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        plat::Message m{};
        while (plat::PeekMessage(m)) {
            plat::TranslateMessage(m);
            plat::DispatchMessage(m);
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Joins a thread that owns a child of this thread's window. The system
// destroys the thread's window as the thread ends, which notifies the
// parent's thread: this one keeps answering meanwhile.
inline void JoinWhilePumping(std::thread& thread) {
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
        thread.join();
        joined = true;
    });
    PumpUntil([&] { return joined.load(); }, 10000ms);
    joiner.join();
}

// Registers a window class of its own and makes a hidden child of `parent`
// with it, on the calling thread: a thread's own window, as the ticker has.
inline plat::Window MakeOwnChildWindow(plat::Window parent) {
    static std::mutex namesMutex;
    static std::deque<std::string> names;  // kept while their classes stay registered
    const char* name;
    {
        std::lock_guard lock(namesMutex);
        names.push_back("contract-own-" + std::to_string(names.size() + 1));
        name = names.back().c_str();
    }
    plat::RegisterClass(plat::WindowClass{0, RecordingWindowProc, 0, nullptr, name});
    return plat::CreateWindow(name, "", plat::WS_CHILD, 0, 0, 10, 10, parent);
}

// A thread that owns one child window of the dialog and polls its queue the
// way the canvas and ticker threads do: sleep 1 ms, take at most one message.
class Worker {
public:
    Worker(plat::Window parent, int x, int y) {
        static std::atomic<int> serial{0};
        className_ = "contract-" + std::to_string(++serial);
        thread_ = std::thread([this, parent, x, y] {
            plat::RegisterClass(plat::WindowClass{plat::CS_DBLCLKS, RecordingWindowProc, 0, nullptr,
                                                  className_.c_str()});
            // Creating a child of another thread's window waits for that
            // thread to take messages: the constructor pumps meanwhile.
            window_ = plat::CreateWindow(className_.c_str(), "", plat::WS_CHILD | plat::WS_VISIBLE, x, y, 60, 30,
                                         parent);
            plat::Message m{};
            while (!stop_) {
                plat::Sleep(1);
                if (!plat::PeekMessage(m)) continue;
                if (m.message == plat::WM_TIMER && busyOnNextTick) {
                    busyOnNextTick = false;
                    std::this_thread::sleep_for(120ms);
                }
                plat::TranslateMessage(m);
                plat::DispatchMessage(m);
            }
        });
        PumpUntil([this] { return window_.load() != nullptr; });
    }
    ~Worker() {
        stop_ = true;
        JoinWhilePumping(thread_);
    }
    plat::Window window() const { return window_; }
    std::thread::id id() const { return thread_.get_id(); }
    std::atomic<bool> busyOnNextTick{false};

private:
    std::string className_;
    std::atomic<plat::Window> window_{nullptr};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A popup menu's item as the person in front of it sees it (texts in GBK).
struct PopupSeen {
    std::string text, keyHint;
    bool checked = false, greyed = false;
};
using PopupChoice = std::function<int(const std::vector<PopupSeen>&)>;

// A thread with a canvas window of the renderer's own procedure, drawing a
// frame, then taking at most one message, every millisecond.
class CanvasWorker {
public:
    explicit CanvasWorker(plat::Window parent) {
        thread_ = std::thread([this, parent] {
            plat::RegisterClass(plat::WindowClass{plat::CS_DBLCLKS, CanvasProc, 0, nullptr, "contract-canvas"});
            window_ = plat::CreateWindow("contract-canvas", "", plat::WS_CHILD | plat::WS_VISIBLE, 100, 0, 80, 30,
                                         parent);
            UseCanvasDevice(&device);
            plat::Message m{};
            while (!stop_) {
                RenderFrame();
                if (plat::PeekMessage(m)) {
                    plat::TranslateMessage(m);
                    plat::DispatchMessage(m);
                }
                plat::Sleep(1);
            }
            UseCanvasDevice(nullptr);
        });
        PumpUntil([this] { return window_.load() != nullptr; });
    }
    ~CanvasWorker() {
        stop_ = true;
        JoinWhilePumping(thread_);
    }
    plat::Window window() const { return window_; }
    testing::QuietCanvasDevice device;

private:
    std::atomic<plat::Window> window_{nullptr};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

template <class Driver>
class WindowContract : public ::testing::Test {
protected:
    WindowContract() { TheJournal().Clear(); }
    Driver driver;
    plat::Window dialog = driver.Dialog();
};

TYPED_TEST_SUITE_P(WindowContract);

TYPED_TEST_P(WindowContract, MessagesRunOnTheThreadThatCreatedTheWindowAndQuitStaysWithItsPoster) {
    Worker worker(this->dialog, 4, 4);
    ASSERT_NE(worker.window(), nullptr);
    plat::PostMessage(worker.window(), kProbe, 1, 0);
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Of(kProbe).size() == 1; }));
    EXPECT_EQ(TheJournal().Of(kProbe)[0].thread, worker.id()) << "a child of another thread's window still runs on its creator";

    // A quit posted here ends this thread's retrieval, not the worker's.
    plat::PostQuitMessage(0);
    plat::Message m{};
    while (plat::GetMessage(m)) plat::DispatchMessage(m);
    EXPECT_EQ(m.message, plat::WM_QUIT);
    plat::PostMessage(worker.window(), kProbe, 2, 0);
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Of(kProbe).size() == 2; }));
    EXPECT_EQ(TheJournal().Of(kProbe)[1].wParam, 2u);
}

TYPED_TEST_P(WindowContract, TimersTickOnTheOwnerAndAreReArmedFromAnotherThread) {
    Worker worker(this->dialog, 4, 4);
    ASSERT_TRUE(plat::SetTimer(worker.window(), 3, 10));
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Of(plat::WM_TIMER).size() >= 3; }));
    EXPECT_TRUE(plat::KillTimer(worker.window(), 3));
    EXPECT_FALSE(plat::KillTimer(worker.window(), 3)) << "killing an absent timer fails";
    ASSERT_TRUE(plat::SetTimer(worker.window(), 1, 5));
    std::this_thread::sleep_for(15ms);  // a tick of timer 3 may still have been pending
    TheJournal().Clear();
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Of(plat::WM_TIMER).size() >= 5; }));
    plat::KillTimer(worker.window(), 1);
    for (const Seen& tick : TheJournal().Of(plat::WM_TIMER)) {
        EXPECT_EQ(tick.wParam, 1u) << "only timer 1 ticks now";
        EXPECT_EQ(tick.thread, worker.id());
    }
}

TYPED_TEST_P(WindowContract, TicksKeepTheirPeriodAndMissedOnesAreNotMadeUp) {
    Worker worker(this->dialog, 4, 4);
    ASSERT_TRUE(plat::SetTimer(worker.window(), 1, 8));
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Of(plat::WM_TIMER).size() >= 41; }));
    // The median gap, which a few late ticks do not move: a timer rounded to
    // a 15.6 ms system tick, or held to a 10 ms minimum, shows here.
    std::vector<double> gaps;
    const auto ticks = TheJournal().Of(plat::WM_TIMER);
    for (std::size_t i = 1; i < ticks.size(); ++i)
        gaps.push_back(std::chrono::duration<double, std::milli>(ticks[i].when - ticks[i - 1].when).count());
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(gaps[gaps.size() / 2], 8.0, 1.5);

    // The owner is busy for 120 ms (15 periods) on one tick: afterwards the
    // ticks go on at their period, without a burst of the missed ones.
    worker.busyOnNextTick = true;
    PumpUntil([&] { return !worker.busyOnNextTick; });
    TheJournal().Clear();
    std::this_thread::sleep_for(200ms);
    plat::KillTimer(worker.window(), 1);
    const auto after = TheJournal().Of(plat::WM_TIMER).size();
    EXPECT_LE(after, 200u / 8 + 3) << "missed ticks were made up";
    EXPECT_GE(after, 5u);
}

TYPED_TEST_P(WindowContract, AMessageAfterASleepComesNoSoonerThanTheSleepAndAsSoonAsItIsPosted) {
    // A thread with a window of its own, taking messages as the ticker does.
    std::atomic<plat::Window> window{nullptr};
    std::atomic<int> stage{0};
    std::vector<double> waitedMs;
    std::vector<plat::WParam> probes;
    bool quitEndedIt = false;
    std::thread sleeper([&] {
        window = MakeOwnChildWindow(this->dialog);
        while (stage != 1) std::this_thread::sleep_for(1ms);
        plat::Message m{};
        // Stage 1: the probe is already queued; stage 2: it is posted 40 ms
        // into a 5 ms sleep. Other messages the window may get are handled.
        for (unsigned sleepMs : {25u, 5u}) {
            const auto start = Clock::now();
            do {
                plat::GetMessageAfterSleep(m, sleepMs);
                plat::DispatchMessage(m);
            } while (m.message != kProbe);
            waitedMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            probes.push_back(m.wParam);
            stage = 2;
        }
        plat::PostQuitMessage(0);
        quitEndedIt = !plat::GetMessageAfterSleep(m, 1) && m.message == plat::WM_QUIT;
        stage = 3;
    });
    ASSERT_TRUE(PumpUntil([&] { return window.load() != nullptr; }));
    plat::PostMessage(window, kProbe, 1, 0);
    stage = 1;
    ASSERT_TRUE(PumpUntil([&] { return stage == 2; }));
    PumpUntil([] { return false; }, 40ms);
    plat::PostMessage(window, kProbe, 2, 0);
    const bool ended = PumpUntil([&] { return stage == 3; }, 5000ms);
    JoinWhilePumping(sleeper);
    ASSERT_TRUE(ended);

    ASSERT_EQ(probes, (std::vector<plat::WParam>{1, 2}));
    EXPECT_GE(waitedMs[0], 24.0) << "a waiting message is taken only after the sleep";
    EXPECT_GE(waitedMs[1], 38.0);
    EXPECT_LT(waitedMs[1], 40.0 + 25.0) << "a message posted after the sleep is taken as it comes";
    EXPECT_TRUE(quitEndedIt);
}

TYPED_TEST_P(WindowContract, AWaitForAMessageEndsWhenOneIsPostedOrTheTimeIsUpAndTakesNothing) {
    // A thread with a window of its own, waiting between frames as the canvas does.
    std::atomic<plat::Window> window{nullptr};
    std::atomic<int> stage{0};
    std::vector<bool> answers;
    std::vector<double> waitedMs;
    plat::WParam taken = 0;
    std::thread waiter([&] {
        window = MakeOwnChildWindow(this->dialog);
        plat::Message m{};
        while (plat::PeekMessage(m)) plat::DispatchMessage(m);  // whatever a new window gets
        // Nothing comes: the whole 30 ms; the probe is posted 40 ms into a
        // 2 s wait; the probe is still there and is not waited for.
        for (unsigned us : {30000u, 2000000u, 2000000u}) {
            const auto start = Clock::now();
            answers.push_back(plat::WaitMessageTimeout(us));
            waitedMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            stage = static_cast<int>(answers.size());
        }
        while (plat::PeekMessage(m) && m.message != kProbe) plat::DispatchMessage(m);
        if (m.message == kProbe) taken = m.wParam;
        stage = 4;
    });
    ASSERT_TRUE(PumpUntil([&] { return stage == 1; }));
    PumpUntil([] { return false; }, 40ms);
    plat::PostMessage(window, kProbe, 7, 0);
    const bool ended = PumpUntil([&] { return stage == 4; }, 5000ms);
    JoinWhilePumping(waiter);
    ASSERT_TRUE(ended);

    ASSERT_EQ(answers, (std::vector<bool>{false, true, true}));
    EXPECT_GE(waitedMs[0], 29.0) << "the wait ended early with nothing there";
    EXPECT_GE(waitedMs[1], 38.0);
    EXPECT_LT(waitedMs[1], 40.0 + 60.0) << "a posted message ends the wait as it comes";
    EXPECT_LT(waitedMs[2], 20.0) << "a message already there ends it at once";
    EXPECT_EQ(taken, 7u) << "the wait took the message away";
}

TYPED_TEST_P(WindowContract, AWaitForAPostedMessageSleepsThroughDueTimersAndTakesNothing) {
    // A thread with a window of its own and a 5 ms timer, waiting as the
    // ticker does while its ticks change nothing.
    std::atomic<plat::Window> window{nullptr};
    std::atomic<bool> ended{false};
    std::vector<double> waitedMs;
    int timerMessages = 0;
    plat::WParam taken = 0;
    std::thread waiter([&] {
        window = MakeOwnChildWindow(this->dialog);
        plat::Message m{};
        while (plat::PeekMessage(m)) plat::DispatchMessage(m);  // whatever a new window gets
        plat::SetTimer(window, 1, 5);
        // The probe is posted 60 ms after the window came; the second wait
        // finds it still there.
        for (int i = 0; i < 2; ++i) {
            const auto start = Clock::now();
            plat::WaitForPostedMessage();
            waitedMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        while (plat::PeekMessage(m) && m.message != kProbe) {
            if (m.message == plat::WM_TIMER) ++timerMessages;
            plat::DispatchMessage(m);
        }
        if (m.message == kProbe) taken = m.wParam;
        plat::KillTimer(window, 1);
        ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return window.load() != nullptr; }));
    PumpUntil([] { return false; }, 60ms);
    plat::PostMessage(window, kProbe, 9, 0);
    const bool done = PumpUntil([&] { return ended.load(); }, 5000ms);
    JoinWhilePumping(waiter);
    ASSERT_TRUE(done);

    ASSERT_EQ(waitedMs.size(), 2u);
    EXPECT_GE(waitedMs[0], 40.0) << "a due timer ended the wait";
    EXPECT_LT(waitedMs[0], 60.0 + 60.0) << "a posted message ends the wait as it comes";
    EXPECT_LT(waitedMs[1], 20.0) << "a message already there ends it at once";
    EXPECT_EQ(taken, 9u) << "the wait took the message away";
    EXPECT_LE(timerMessages, 1) << "ticks missed while waiting were made up";

    // The UI thread waits the same way; a post from another thread ends it.
    plat::Message m{};
    while (plat::PeekMessage(m)) plat::DispatchMessage(m);
    const auto start = Clock::now();
    std::thread poster([&] {
        std::this_thread::sleep_for(60ms);
        plat::PostMessage(this->dialog, kProbe, 10, 0);
    });
    // The system may post the dialog something of its own meanwhile (late
    // input on a busy machine); a wait it ends is then waited again. A wait
    // that ends with nothing posted is the fault.
    bool probeThere = false, posted = true;
    double uiWaitedMs = 0;
    while (!probeThere && posted && uiWaitedMs < 1000) {
        plat::WaitForPostedMessage();
        uiWaitedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        posted = false;
        while (plat::PeekMessage(m)) {
            probeThere = probeThere || (m.message == kProbe && m.wParam == 10);
            posted = posted || m.message != plat::WM_TIMER;
            plat::DispatchMessage(m);
        }
    }
    poster.join();
    EXPECT_TRUE(posted) << "the wait ended after " << uiWaitedMs << " ms with nothing posted";
    EXPECT_TRUE(probeThere);
    EXPECT_GE(uiWaitedMs, 40.0);
    EXPECT_LT(uiWaitedMs, 60.0 + 60.0);
}

TYPED_TEST_P(WindowContract, APostEndsAWaitForPostedMessagesWhateverMomentItComes) {
    // Each post lands at a random moment close to the start of a wait, when
    // the wait looks into the queue; none may go unseen.
    constexpr int kWaits = 300;
    std::atomic<plat::Window> window{nullptr};
    std::atomic<int> waiting{-1}, ended{-1};
    std::atomic<bool> stop{false}, finished{false};
    std::thread waiter([&] {
        window = MakeOwnChildWindow(this->dialog);
        plat::Message m{};
        for (int i = 0; !stop; ++i) {
            while (plat::PeekMessage(m)) plat::DispatchMessage(m);
            waiting = i;
            plat::WaitForPostedMessage();
            ended = i;
        }
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return window.load() != nullptr; }));
    std::mt19937 random(7);
    int lost = -1;
    for (int i = 0; i < kWaits && lost < 0; ++i) {
        PumpUntil([&] { return waiting == i; });
        const auto at = Clock::now() + std::chrono::microseconds(random() % 300);
        while (Clock::now() < at) {
        }
        plat::PostMessage(window, kProbe, static_cast<plat::WParam>(i), 0);
        if (!PumpUntil([&] { return ended == i; }, 1000ms)) lost = i;
    }
    stop = true;
    while (!finished) {
        plat::PostMessage(window, kProbe, 0, 0);
        PumpUntil([&] { return finished.load(); }, 5ms);
    }
    JoinWhilePumping(waiter);
    EXPECT_EQ(lost, -1) << "a post did not end the wait";
}

TYPED_TEST_P(WindowContract, AnswerBoxIsReadFromAnotherThreadWhileAModalBoxRuns) {
    const std::string text = "\xc6\xbb\xb9\xfb apple";  // "苹果 apple" in GBK
    ASSERT_TRUE(plat::SetDlgItemText(this->dialog, kAnswerBoxId, text.c_str()));
    std::atomic<bool> readDone{false};
    bool readBeforeTheBoxClosed = false;
    this->driver.CloseNextMessageBox(plat::IDCANCEL, 400ms, [&] { readBeforeTheBoxClosed = readDone; });
    std::string read;
    std::thread reader([&] {
        std::this_thread::sleep_for(100ms);  // the box is up by now
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        plat::GetDlgItemText(this->dialog, kAnswerBoxId, buffer, sizeof buffer);
        read = buffer;
        readDone = true;
    });
    const int answer = plat::MessageBox(this->dialog, "?", "contract", plat::MB_OKCANCEL | plat::MB_ICONWARNING);
    reader.join();
    EXPECT_EQ(answer, plat::IDCANCEL);
    EXPECT_TRUE(readBeforeTheBoxClosed) << "the box's own loop served the request";
    EXPECT_EQ(read, text);

    // Longer text is cut to the buffer, NUL included.
    ASSERT_TRUE(plat::SetDlgItemText(this->dialog, kAnswerBoxId, std::string(100, 'w').c_str()));
    char buffer[64];
    EXPECT_EQ(plat::GetDlgItemText(this->dialog, kAnswerBoxId, buffer, sizeof buffer), 63u);
    EXPECT_EQ(std::string(buffer), std::string(63, 'w'));
}

TYPED_TEST_P(WindowContract, ADoubleClickIsAPressAndThenADoubleClickMessage) {
    Worker worker(this->dialog, 4, 4);
    if (!this->driver.DoubleClick(worker.window())) GTEST_SKIP() << "this backend has no pointer";
    ASSERT_TRUE(PumpUntil([] { return TheJournal().Clicks().size() >= 2; }));
    PumpUntil([] { return false; }, 50ms);  // nothing more arrives
    const auto clicks = TheJournal().Clicks();
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].message, plat::WM_LBUTTONDOWN);
    EXPECT_EQ(clicks[1].message, plat::WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicks[1].thread, worker.id());
}

TYPED_TEST_P(WindowContract, ScrollBarArrowsAndTroughReportTheirCodesAndLeaveTheThumb) {
    plat::Window slider = plat::GetDlgItem(this->dialog, kSpeedSliderId);
    ASSERT_NE(slider, nullptr);
    plat::SetScrollRange(slider, plat::SB_CTL, 0, 100, false);
    plat::SetScrollPos(slider, plat::SB_CTL, 50, false);
    if (!this->driver.ClickScrollBar(slider, ScrollPart::RightArrow)) GTEST_SKIP() << "this backend has no pointer";
    PumpUntil([] { return !TheJournal().Of(plat::WM_HSCROLL).empty(); });
    this->driver.ClickScrollBar(slider, ScrollPart::TroughLeftOfThumb);
    auto codes = [] {
        std::vector<int> out;
        for (const Seen& s : TheJournal().Of(plat::WM_HSCROLL))
            if (plat::LowWord(s.wParam) != plat::SB_ENDSCROLL) out.push_back(plat::LowWord(s.wParam));
        return out;
    };
    PumpUntil([&] { return codes().size() >= 2; });
    EXPECT_EQ(codes(), (std::vector<int>{plat::SB_LINERIGHT, plat::SB_PAGELEFT}));
    EXPECT_EQ(plat::SetScrollPos(slider, plat::SB_CTL, 100, false), 50) << "only the program moves the thumb";
}

TYPED_TEST_P(WindowContract, ClosingTheDialogReachesItsProcedureOnTheOwnerThread) {
    this->driver.UserClose(this->dialog);
    ASSERT_TRUE(PumpUntil([] { return !TheJournal().Of(plat::WM_CLOSE).empty(); }));
    EXPECT_EQ(TheJournal().Of(plat::WM_CLOSE)[0].thread, std::this_thread::get_id());
}

TYPED_TEST_P(WindowContract, AnInvalidatedStillCanvasIsDrawnAgainOnItsOwnThread) {
    CanvasWorker canvas(this->dialog);
    // Shown: the first frame, and whatever its first paint brought.
    ASSERT_TRUE(PumpUntil([&] { return canvas.device.presents > 0; }));
    PumpUntil([] { return false; }, 200ms);
    const int still = canvas.device.presents;
    PumpUntil([] { return false; }, 100ms);
    ASSERT_EQ(canvas.device.presents, still) << "a still canvas presents nothing new";
    for (int exposure = 1; exposure <= 2; ++exposure) {
        plat::InvalidateRect(canvas.window(), exposure == 1);
        EXPECT_TRUE(PumpUntil([&] { return canvas.device.presents == still + exposure; }))
            << "exposure " << exposure << ": " << canvas.device.presents - still << " frames presented";
        PumpUntil([] { return false; }, 100ms);
    }
    EXPECT_EQ(canvas.device.presents, still + 2) << "one frame an exposure";
}

TYPED_TEST_P(WindowContract, ExitEndsAtOnceWhileAWorkerWaitsForTheUiThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::thread([this] {
                char buffer[64];
                plat::GetDlgItemText(this->dialog, kAnswerBoxId, buffer, sizeof buffer);  // never served
            }).detach();
            std::this_thread::sleep_for(50ms);
            plat::Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TYPED_TEST_P(WindowContract, APopupMenuShowsItsItemsAnswersTheChoiceAndOtherThreadsRunMeanwhile) {
    Worker worker(this->dialog, 4, 4);
    ASSERT_TRUE(plat::SetTimer(worker.window(), 1, 10));
    const plat::PopupMenuItem items[] = {
        {"\xb4\xf2\xbf\xaa", "F3", false, false, false},   // 打开, key F3
        {"\xc9\xbe\xc8\xa5", nullptr, false, true, false},  // 删去, greyed
        {"\xc0\xca\xb6\xc1", "F2", true, false, true},      // 朗读, checked, below a line
    };
    // Chosen: the answer is its index; dismissed: -1.
    for (const int choice : {2, 0, -1}) {
        std::vector<PopupSeen> seen;
        this->driver.AnswerNextPopupMenu(300ms, [&](const std::vector<PopupSeen>& shown) {
            seen = shown;
            return choice;
        });
        TheJournal().Clear();
        const int answer = plat::ShowPopupMenu(this->dialog, worker.window(), 5, 5, items, 3);
        EXPECT_EQ(answer, choice);
        ASSERT_EQ(seen.size(), 3u);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const plat::PopupMenuItem& item = items[i];
            EXPECT_EQ(seen[i].text + "|" + seen[i].keyHint, std::string(item.text) + "|" + (item.keyHint ? item.keyHint : ""));
            EXPECT_TRUE(seen[i].checked == item.checked && seen[i].greyed == item.greyed) << "item " << i;
        }
        EXPECT_GE(TheJournal().Of(plat::WM_TIMER).size(), 10u) << "the other thread's window stood still under the menu";
    }
    plat::KillTimer(worker.window(), 1);
}

TYPED_TEST_P(WindowContract, ARightClickIsAPressAndAReleaseOnTheOwnerThread) {
    Worker worker(this->dialog, 4, 4);
    if (!this->driver.RightClick(worker.window())) GTEST_SKIP() << "this backend has no pointer";
    ASSERT_TRUE(PumpUntil([] { return !TheJournal().Of(plat::WM_RBUTTONUP).empty(); }));
    EXPECT_EQ(TheJournal().Of(plat::WM_RBUTTONDOWN).size(), 1u);
    EXPECT_EQ(TheJournal().Of(plat::WM_RBUTTONUP)[0].thread, worker.id());
    EXPECT_TRUE(TheJournal().Clicks().empty());
}

REGISTER_TYPED_TEST_SUITE_P(WindowContract, MessagesRunOnTheThreadThatCreatedTheWindowAndQuitStaysWithItsPoster,
                            AMessageAfterASleepComesNoSoonerThanTheSleepAndAsSoonAsItIsPosted,
                            AWaitForAMessageEndsWhenOneIsPostedOrTheTimeIsUpAndTakesNothing,
                            AWaitForAPostedMessageSleepsThroughDueTimersAndTakesNothing,
                            APostEndsAWaitForPostedMessagesWhateverMomentItComes,
                            TimersTickOnTheOwnerAndAreReArmedFromAnotherThread,
                            TicksKeepTheirPeriodAndMissedOnesAreNotMadeUp,
                            AnswerBoxIsReadFromAnotherThreadWhileAModalBoxRuns,
                            ADoubleClickIsAPressAndThenADoubleClickMessage,
                            ScrollBarArrowsAndTroughReportTheirCodesAndLeaveTheThumb,
                            ClosingTheDialogReachesItsProcedureOnTheOwnerThread,
                            AnInvalidatedStillCanvasIsDrawnAgainOnItsOwnThread,
                            ExitEndsAtOnceWhileAWorkerWaitsForTheUiThread,
                            APopupMenuShowsItsItemsAnswersTheChoiceAndOtherThreadsRunMeanwhile,
                            ARightClickIsAPressAndAReleaseOnTheOwnerThread);

}  // namespace kestran::contract
