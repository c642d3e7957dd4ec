#include "drill/practice_ticker.h"

#include "drill/change_signal.h"
#include "drill/create_child_window.h"
#include "drill/common_steps.h"
#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/list_identity.h"
#include "drill/random_draw.h"

namespace kestran {
namespace {

constexpr std::int32_t kCrossedX = 500;
constexpr char kTickerClass[] = "sf";

// The word at `index` crossed the canvas untyped and gives way to the next.
void NoteWordCrossed(std::int32_t index) {
    if (!hooks::practiceWordMissed.IsSet()) return;
    if (const WordRecord* entry = CurrentEntry(index)) hooks::practiceWordMissed(*entry);
}

// Why a hit wait stops waiting for the renderer before it clears the flag.
enum class WaitEnd { KeepWaiting, EffectsOff, ListGone, TimedOut };

// The checks both hit waits make at every poll. The animation no longer runs
// with effects off; an open attempt takes the list away (the flag and the
// pause are dropped, the tick must stop); after the time limit the flag is
// dropped, as a renderer that quit never clears it.
WaitEnd CheckHitWait(std::uint32_t since) {
    if (drill.effectsOff != 0) return WaitEnd::EffectsOff;
    if (drill.listLoaded != 1) {
        drill.practiceHitAnim = 0;
        drill.paused = 0;
        return WaitEnd::ListGone;
    }
    if (plat::GetTickCount() - since >= kHitWaitLimitMs) {
        drill.practiceHitAnim = 0;
        return WaitEnd::TimedOut;
    }
    return WaitEnd::KeepWaiting;
}

// A new list keeps the counters of the old one; start its pass afresh so
// that every index and slot in use belongs to the new list.
void StartFreshPassOnNewList() {
    if (!NoteCurrentList(practiceList)) return;
    drill.practiceDrawn = 0;
    drill.practiceShown = 0;
    drill.randomPassStarted = 0;
    drill.sequentialPassStarted = 0;
    drill.advanceRequested = 0;
}

// The wait of a random-order advance. Ends when the renderer clears the
// flag, and also when it never will: effects switched off (the animation no
// longer runs), the list going away (an open attempt), or the time limit.
// Returns false when the list went away and the tick must stop at once.
bool WaitForHitAnimation() {
    if (drill.effectsOff == 0) {
        const std::uint32_t since = plat::GetTickCount();
        while (drill.practiceHitAnim.load() == 1) {
            drill.paused = 1;
            const WaitEnd end = CheckHitWait(since);
            if (end == WaitEnd::ListGone) return false;
            if (end != WaitEnd::KeepWaiting) break;
            // Each poll gives the processor away for a moment; nothing
            // depends on how often the flag is read.
            plat::Sleep(1);
        }
        drill.paused = 0;
    }
    if (drill.effectsOff == 1) drill.practiceHitAnim = 0;
    return true;
}

// Keeps the advance's counters where the draw needs them: practiceDrawn
// below wordCount (an index left to draw, the next slot inside the array)
// and practiceShown below wordCount (the pass can end), one apart as a pass
// keeps them. Counters from a longer list land outside; the pass record
// then restarts around the word on screen, as if it had been the first
// word of the pass. A word from the longer list is not counted at all.
// A one-entry list has nothing to exclude: both restart at 0.
// Returns whether the word on screen counts as shown.
bool KeepPassCountersInRange(int count, std::int32_t* slots) {
    const std::int32_t drawn = drill.practiceDrawn;
    const std::int32_t shown = drill.practiceShown;
    if (drawn >= 0 && drawn < count && shown >= 0 && shown < count) return true;
    const std::int32_t current = drill.practiceIndex;
    drill.practiceShown = 0;
    if (count > 1 && current >= 0 && current < count) {
        WriteSlot(slots, 0, current);
        drill.practiceDrawn = 1;
        return true;
    }
    drill.practiceDrawn = 0;
    return count == 1;
}

// Returns false when the tick must end (the list went away during a wait).
bool RandomOrderStep() {
    plat::srand(plat::GetTickCount());

    int count = drill.wordCount;
    std::int32_t* slots = drill.drawnIndices;
    if (count <= 0 || !slots) {
        // Nothing to draw: like file order, the empty pass is over at once.
        drill.randomProgressText.SetNumber(drill.randomProgress);
        drill.practiceIndex = 0;
        drill.scrollX = kWordStartX;
        drill.practiceFinished = 1;
        drill.advanceRequested = 0;
        return true;
    }

    if (drill.randomPassStarted == 0 && drill.practiceFinished == 0) {
        drill.practiceIndex = DrawIndexOtherThan(count, drill.practicePrevIndex);
        drill.practiceDrawn = 0;
        WriteSlot(slots, drill.practiceDrawn, drill.practiceIndex);
        drill.randomPassStarted = 1;
        drill.sequentialPassStarted = 0;
        Increment(drill.practiceDrawn);
    }

    drill.randomProgressText.SetNumber(drill.randomProgress);

    if (drill.scrollX >= kCrossedX || drill.advanceRequested == 1) {
        const bool crossedUntyped = drill.advanceRequested == 0;
        const std::int32_t leaving = drill.practiceIndex;
        if (!WaitForHitAnimation()) return false;
        if (crossedUntyped) NoteWordCrossed(leaving);
        drill.scrollX = kWordStartX;

        count = drill.wordCount;
        slots = drill.drawnIndices;
        if (drill.listLoaded != 1 || count <= 0 || !slots) return false;
        const bool currentCounts = KeepPassCountersInRange(count, slots);

        drill.practiceIndex = DrawIndexNotAmong(count, slots, drill.practiceDrawn);
        if (drill.practiceFinished == 0) {
            WriteSlot(slots, drill.practiceDrawn, drill.practiceIndex);
            Increment(drill.practiceDrawn);
        }
        if (currentCounts) Increment(drill.practiceShown);
        if (drill.practiceShown == count) {
            drill.practiceShown = 0;
            drill.practiceFinished = 1;
        }
        if (drill.practiceFinished == 0 && drill.randomProgress >= count) drill.randomProgress = 1;
        Increment(drill.randomProgress);
        if (drill.randomProgress >= count) drill.randomProgress = count;
        if (drill.practiceDrawn == count) drill.practiceDrawn = 0;
        drill.advanceRequested = 0;
    }

    if (drill.paused == 0 && drill.practiceFinished == 0) Increment(drill.scrollX);
    return true;
}

void SequentialOrderStep() {
    if (drill.sequentialPassStarted == 0) {
        drill.practiceIndex = 0;
        drill.practicePrevIndex = 0;
        drill.sequentialPassStarted = 1;
        drill.randomPassStarted = 0;
    }
    if (drill.scrollX >= kCrossedX) {
        NoteWordCrossed(drill.practiceIndex);
        drill.scrollX = kWordStartX;
        Increment(drill.practiceIndex);
        Increment(drill.practicePrevIndex);
    }
    // Past the end of the list, not only exactly at it: an index left from a
    // longer list ends the pass too instead of naming a record beyond the list.
    std::int32_t index = drill.practiceIndex;
    if (index >= drill.wordCount || index < 0) {
        drill.practiceIndex = 0;
        drill.practicePrevIndex = 0;
        drill.scrollX = kWordStartX;
        drill.practiceFinished = 1;
    }
    if (drill.practiceFinished == 0) drill.sequentialProgressText.SetNumber(drill.practiceIndex + 1);
    if (drill.paused == 0 && drill.practiceFinished == 0) Increment(drill.scrollX);
}

// The sequential hold after a hit with effects on: the word stays where it
// was hit (hitAnimX follows it if the user nudges it) until the renderer ends
// the animation. Switching to random order ends the wait with nothing done;
// the random step takes over. Effects switched off end it too: the
// effects-off handling that follows moves on. Returns false when the list
// went away and the tick must stop at once.
bool HoldWordForHitAnimation() {
    const std::uint32_t since = plat::GetTickCount();
    while (drill.randomOrder == 0) {
        drill.hitAnimX = drill.scrollX.load();
        if (drill.practiceHitAnim.load() == 1) {
            drill.paused = 1;
            const WaitEnd end = CheckHitWait(since);
            if (end == WaitEnd::ListGone) return false;
            if (end == WaitEnd::EffectsOff) {
                drill.paused = 0;
                return true;
            }
            if (end == WaitEnd::KeepWaiting) plat::Sleep(1);
            continue;
        }
        drill.scrollX = kWordStartX;
        Increment(drill.practiceIndex);
        drill.paused = 0;
        ClearAnswerBox();
        return true;
    }
    return true;
}

void AnswerMatch() {
    char typed[kAnswerBufferSize] = {};
    ReadAnswerBox(typed);

    // No current entry (an empty list, or just after a hit on the last word
    // in file order): nothing to compare with.
    const WordRecord* entry = CurrentEntry(drill.practiceIndex);
    if (!entry || !TypedMatches(*entry, typed)) return;
    hooks::practiceWordHit(*entry);

    drill.practiceHitAnim = 1;
    if (drill.effectsOff == 0) {
        drill.hitAnimX = drill.scrollX.load();
        plat::PlaySoundAsync(kHitSound);
        if (!HoldWordForHitAnimation()) return;
    }
    if (drill.effectsOff == 1 && drill.randomOrder == 0) {
        drill.scrollX = kWordStartX;
        drill.practiceHitAnim = 0;
        Increment(drill.practiceIndex);
        ClearAnswerBox();
    }
    if (drill.randomOrder == 1) {
        drill.hitAnimX = drill.scrollX.load();
        drill.advanceRequested = 1;
        ClearAnswerBox();
    }
}

// Without a list, or with the test on, a tick changes nothing.
bool TicksChangeNothing() { return drill.listLoaded != 1 || drill.testMode != 0; }

// The ticker does not wake at every beat of its timer for ticks that change
// nothing: it waits for a message, and the change that gives the ticks work
// again posts it one. The timer beats on meanwhile; its one pending tick
// comes as soon as the ticker takes messages again, and none are made up.
void WaitWhileTicksChangeNothing() {
    if (!TicksChangeNothing()) return;
    AnnounceTickerWait();
    if (TicksChangeNothing()) plat::WaitForPostedMessage();
    EndTickerWait();
}

}  // namespace

void PracticeTick() {
    if (TicksChangeNothing()) return;
    StartFreshPassOnNewList();
    const bool finishedBefore = drill.practiceFinished == 1;
    if (drill.randomOrder == 1 && !RandomOrderStep()) return;
    if (drill.randomOrder == 0) SequentialOrderStep();
    if (!finishedBefore && drill.practiceFinished == 1 && drill.listLoaded == 1 && drill.wordCount > 0)
        hooks::practicePassFinished();
    AnswerMatch();
}

plat::LResult TickerWindowProc(plat::Window window, plat::MessageId message, plat::WParam wParam,
                               plat::LParam lParam) {
    if (message == plat::WM_DESTROY) {
        plat::PostQuitMessage(0);
        return 0;
    }
    return plat::DefWindowProc(window, message, wParam, lParam);
}

void CreateTickerWindow() {
    TickerWindow = CreateChildWindow(nullptr, TickerWindowProc, kTickerClass, MainDialog, plat::WS_CHILD, 0, 0, 1, 1);
    plat::ShowWindow(TickerWindow, plat::SW_HIDE);
    plat::SetTimer(TickerWindow, kTickTimerId, kTickPeriodMs);
}

bool TickerLoopPass(plat::Message& message) {
    WaitWhileTicksChangeNothing();
    // A 1 ms sleep, then blocks until the next message (a tick falls due, a
    // request comes), both in one wait: an empty queue is not polled, and a
    // tick wakes the thread once.
    plat::GetMessageAfterSleep(message, 1);
    // Every timer message is a tick, whichever timer sent it; it is not dispatched.
    if (message.message == plat::WM_TIMER) {
        const std::uint64_t changesBefore = DrillChangeCount();
        PracticeTick();
        NoteTick(ChangeClock::now(), DrillChangeCount() != changesBefore);
        return true;
    }
    // WM_QUIT included: the ticker runs until the process ends.
    plat::TranslateMessage(message);
    plat::DispatchMessage(message);
    return false;
}

void TickerThreadMain() {
    CreateTickerWindow();
    plat::Message message{};
    for (;;) TickerLoopPass(message);
}

}  // namespace kestran
