// Shared set-up of the drill tests: the headless window system with a
// dialog holding the answer box, a clock and sleep the test controls, word
// lists with guard zones around the drawn-index array, and stand-ins for
// what the renderer does to the drill state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "drill/drill_state.h"
#include "platform/core/thread_queue.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/forwarding_windows.h"

namespace drilltest {

// Sleep runs `onSleep` (a stand-in for another thread's work, such as the
// renderer ending an animation) and, when asked, moves the clock on.
class ScriptedProcess final : public plat::Process {
public:
    std::function<void()> onSleep;
    std::uint32_t now = 1000;
    bool clockMovesOnSleep = false;
    long sleeps = 0;

    void CreateThread(void (*entry)()) override;
    void Sleep(unsigned milliseconds) override;
    std::uint32_t GetTickCount() override { return now; }
    unsigned GetCurrentDirectory(unsigned, char*) override { return 0; }
    bool SetCurrentDirectory(const char*) override { return false; }
    [[noreturn]] void Exit(int status) override { throw plat::ExitCalled{status}; }
};

// The message queues' timers on the scripted clock, while it lives: a
// thread that would wait for a timer finds the clock moved on to it.
class ScriptedQueueTime final : public plat::QueueTimeSource {
public:
    explicit ScriptedQueueTime(ScriptedProcess& process) : process_(process) {
        plat::ThreadQueue::UseTimeSource(this);
    }
    ~ScriptedQueueTime() override { plat::ThreadQueue::UseTimeSource(nullptr); }
    Clock::time_point Now() override { return Clock::time_point(std::chrono::milliseconds(process_.now)); }
    // How often a thread waited on the queues: each wait is one wake-up.
    long waits = 0;
    void SkipTo(Clock::time_point due) override {
        ++waits;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(due.time_since_epoch()).count();
        if (ms > process_.now) process_.now = static_cast<std::uint32_t>(ms);
    }

private:
    ScriptedProcess& process_;
};

// Passes every call to the headless window system and records the erase
// flag of each invalidation.
class RecordingWindows final : public kestran::testing::ForwardingWindows {
public:
    explicit RecordingWindows(plat::HeadlessWindowSystem& inner) : ForwardingWindows(inner) {}
    std::vector<std::pair<plat::Window, bool>> invalidations;

    bool InvalidateRect(plat::Window w, bool erase) override {
        invalidations.emplace_back(w, erase);
        return ForwardingWindows::InvalidateRect(w, erase);
    }
};

inline constexpr std::int32_t kUnwritten = -777777;
inline constexpr std::int32_t kGuard = 0x5A5A5A5A;
inline constexpr int kGuardSlots = 64;

// A list of `count` entries, word i being "w<i>" unless given, held as the
// loader holds it: count + 3 records (the spare ones with an empty word, so
// that reading one would match an empty answer box) and count + 3 slots,
// here with guard zones on both sides.
class WordList {
public:
    explicit WordList(int count, const std::function<std::string(int)>& word = {});
    // Puts the list in place as a finished load does.
    void Install();
    bool GuardsIntact() const;
    // The three spare slots after the list are never written either.
    bool SparesUntouched() const;
    std::int32_t* Slots() { return slotsWithGuards_.data() + kGuardSlots; }
    std::string Word(int index) const { return records_[index].word; }
    int Count() const { return count_; }

private:
    int count_;
    std::vector<kestran::WordRecord> records_;
    std::vector<std::int32_t> slotsWithGuards_;
};

class DrillTest : public ::testing::Test {
protected:
    plat::HeadlessBackend backend;
    ScriptedProcess process;
    RecordingWindows windows{backend.windows};

    void SetUp() override;
    void TearDown() override;
    // A clean state within one test, for table-driven cases.
    void Fresh() {
        TearDown();
        SetUp();
    }
    // The real clock and sleep of the headless backend, for tests on threads.
    void UseRealClock();

    void Type(const std::string& text) { backend.windows.SetControlText(kestran::MainDialog, kestran::kAnswerBoxId, text); }
    std::string Box() { return backend.windows.ControlText(kestran::MainDialog, kestran::kAnswerBoxId); }
    std::size_t Sounds() { return backend.sound.Played().size(); }
    // The renderer's part in a hit: after 42 frames (one per sleep of the
    // waiting ticker) it clears practiceHitAnim and paused.
    void RendererEndsHitAnimationsInSleep();
    int framesDrawn = 0;

private:
    plat::Services previous_;
};

// What the renderer does on the first frame after a result is acknowledged.
void AcknowledgeResultAndReset();

}  // namespace drilltest
