// Where features beyond the drill hear of it. The drill calls each hook at
// one named moment; a hook nobody set does nothing, so without features the
// drill is exactly what it always was.
//
// How a feature plugs in: write a plain procedure with the hook's signature
// and add it once at start-up, before the threads run, from the feature's
// Install procedure (features/features.cpp calls them all):
//
//     void OnMissed(const WordRecord& entry) { ... }
//     hooks::practiceWordMissed.Add(OnMissed);
//
// Several features may add to one hook, at most kHookProcedures; they are
// called in the order they were added. One more is a fault of the build:
// the program says so on stderr and ends at start-up (raise the limit).
// A hook runs on the thread named beside it, in the middle of the drill's
// work: it must return quickly and may not wait for another drill thread
// (hand slow work such as writing files or speaking to a thread of the
// feature's own). It must not change DrillState.
#pragma once

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <type_traits>

#include "platform/types.h"
#include "wordlist/word_record.h"

namespace kestran::hooks {

// At most kHookProcedures procedures a hook: room for every feature that
// may listen at one moment; several already listen to the keys.
inline constexpr int kHookProcedures = 8;

// Every hook enters this list as it is made, so that ClearAllForTest
// reaches each one, also those added later. Hooks are made before main;
// nothing may add to one from another object's constructor.
class AnyHook {
public:
    AnyHook(const AnyHook&) = delete;
    AnyHook& operator=(const AnyHook&) = delete;
    virtual bool IsSet() const = 0;
    // Removes every procedure. Tests only.
    virtual void ClearForTest() = 0;
    static void ClearEveryHookForTest() {
        for (AnyHook* hook = first_; hook; hook = hook->next_) hook->ClearForTest();
    }
    static bool AnyHookSetForTest() {
        for (const AnyHook* hook = first_; hook; hook = hook->next_)
            if (hook->IsSet()) return true;
        return false;
    }

protected:
    AnyHook() : next_(first_) { first_ = this; }
    ~AnyHook() = default;

private:
    AnyHook* next_;
    static inline AnyHook* first_ = nullptr;
};

template <class Signature>
class Hook;

template <class Result, class... Args>
class Hook<Result(Args...)> final : public AnyHook {
    static_assert(std::is_void_v<Result> || std::is_same_v<Result, bool>);

public:
    using Procedure = Result (*)(Args...);
    // A full hook would drop a feature's procedure without a word: the
    // program ends instead, at start-up where hooks are added.
    void Add(Procedure procedure) {
        for (auto& slot : procedures_) {
            Procedure empty = nullptr;
            if (slot.compare_exchange_strong(empty, procedure, std::memory_order_acq_rel)) return;
        }
        std::fputs("KESTRAN: a feature hook is full; raise kHookProcedures in drill/feature_hooks.h.\n", stderr);
        std::abort();
    }
    // Calls every procedure in turn. A bool hook stops at the first that
    // answers true and answers that; without one it answers false.
    Result operator()(Args... args) const {
        for (const auto& slot : procedures_) {
            const Procedure procedure = slot.load(std::memory_order_acquire);
            if (!procedure) break;
            if constexpr (std::is_void_v<Result>) {
                procedure(args...);
            } else if (procedure(args...)) {
                return true;
            }
        }
        if constexpr (!std::is_void_v<Result>) return false;
    }
    bool IsSet() const override { return procedures_[0].load(std::memory_order_acquire) != nullptr; }
    void ClearForTest() override {
        for (auto& slot : procedures_) slot.store(nullptr, std::memory_order_release);
    }

private:
    std::array<std::atomic<Procedure>, kHookProcedures> procedures_{};
};

// TickerThread: the practice word `entry` crossed the canvas untyped and
// is being replaced by the next word.
inline Hook<void(const WordRecord& entry)> practiceWordMissed;

// TickerThread: a practice pass of a list ended: every word of it came
// onto the canvas and went, and the end message is up.
inline Hook<void()> practicePassFinished;

// TickerThread: the practice word `entry` was typed right (a hit), before
// the hit's sound and animation.
inline Hook<void(const WordRecord& entry)> practiceWordHit;

// UiThread: a test answer was judged and counted; `entry` is the entry
// asked, `right` whether the typed word matched it. Answers given while a
// result is displayed are not counted and do not come here.
inline Hook<void(const WordRecord& entry, bool right)> testAnswerJudged;

// UiThread: the test ended and its result line is up (after the last
// answer was judged).
inline Hook<void()> testResultShown;

// A new round begins: the next practice pass or test after a finished one
// was acknowledged (Space on UiThread, a click on the canvas on
// RenderThread), or the order or the mode was switched (UiThread).
inline Hook<void()> roundStarted;

// UiThread: an attempt to open a list ended; `path` is the list file's path
// as the loader holds it, `loaded` whether a list is loaded now. Opening a
// list also begins a new round.
inline Hook<void(const char* path, bool loaded)> listLoaded;

// UiThread: the open button is about to read the list at `path` (the one
// chosen, or after a cancel the one named before). Answer true when a
// feature itself rewrites that file: it is then read whole and nothing
// keeps it open, so the feature can still replace it (on Windows a file
// held open cannot be replaced). Must not wait for the disk.
inline Hook<bool(const char* path)> listRewrittenByFeature;

// RenderThread: a practice word came onto the canvas: the first frame that
// draws it after an advance, a hit, a new list, the start of a pass or a
// switch back to practice.
inline Hook<void(const WordRecord& entry)> practiceWordShown;

// RenderThread: the test asks another entry: the first frame that shows its
// meaning, also after a result is acknowledged or on a switch to the test.
inline Hook<void(const WordRecord& entry)> testEntryShown;

// RenderThread: each frame that draws the practice word `entry` asks for a
// note to show beside it, such as its phonetic transcription. Answer true
// and set `note` to UTF-8 text that stays valid until the process ends;
// without an answer nothing is drawn beside the word. Called every frame:
// it must be a lookup, never a read of a file.
inline Hook<bool(const WordRecord& entry, std::string_view& note)> practiceWordNote;

// UiThread: every message the loop of UiThread retrieves, before the key
// table sees it. Answer true to keep it: it is then neither looked up in
// the key table nor handed on. Only keys the table does not know (the
// F-keys, the context-menu key) and messages of a feature's own may be kept.
inline Hook<bool(const plat::Message& message)> uiMessage;

// RenderThread: the right mouse button was released on the canvas at (x, y)
// of its client area. Without a procedure the message gets the default
// handling, as before.
//
// UiThread: the main dialog became the active window (`active`) or
// stopped being it. A backend that tells nothing leaves it taken as active.
inline Hook<void(bool active)> dialogActivated;

// UiThread: the program ends the normal way (Esc confirmed, the dialog
// closed, the session ending, a request to terminate); the process exits
// once the procedures return. Unlike at the other moments, a procedure may
// wait here for its own thread to finish what the learner must not lose,
// for a bounded time (all of them together about a second).
inline Hook<void()> programEnding;

// Further moments join this list the same way: one hook, one comment
// naming its thread and moment, one call at that moment in the drill.
inline Hook<void(int x, int y)> canvasRightClick;

// Removes every procedure from every hook. Tests only.
inline void ClearAllForTest() { AnyHook::ClearEveryHookForTest(); }

}  // namespace kestran::hooks
