// How the canvas learns that what it shows may have changed, so that it can
// sleep through display refreshes at which nothing can have.
//
// Every write that changes a field of the drill state is counted. While the
// render thread sleeps past the next refresh, the first change that should
// be shown sooner posts a WM_NULL to the canvas window, which wakes it.
// The ticker notes its ticks, so the canvas can sleep until the refresh
// after the next tick instead of being woken by it. While its ticks can
// change nothing the ticker waits for a message, and the first change posts
// it one too.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kestran {

using ChangeClock = std::chrono::steady_clock;

// Changes of the drill state so far.
std::uint64_t DrillChangeCount();

// The render thread sleeps until the refresh at `wake`, one of a grid
// `refreshPeriod` apart. A change made before the refresh ahead of `wake`
// must wake it. Announced before the last look at DrillChangeCount, so no
// change falls between the look and the sleep unseen; ended after the sleep.
void AnnounceCanvasSleep(ChangeClock::time_point wake, ChangeClock::duration refreshPeriod);
void EndCanvasSleep();

// The ticker waits for a message instead of its timer's next beat. Announced
// before its last look at the drill state; the first change after that
// posts a WM_NULL to the ticker window. No changing tick is due meanwhile.
void AnnounceTickerWait();
void EndTickerWait();

// The ticker's record: a tick ended at `at`, and whether it changed anything.
void NoteTick(ChangeClock::time_point at, bool changedSomething);
// When the tick after the last one is due, if the last one changed anything
// (a tick that changed nothing is followed by one that changes nothing,
// unless something else changes first).
std::optional<ChangeClock::time_point> NextChangingTickDue();

}  // namespace kestran
