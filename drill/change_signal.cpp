#include "drill/change_signal.h"

#include <algorithm>
#include <atomic>

#include "drill/drill_state.h"
#include "platform/platform.h"

namespace kestran {
namespace {

using Nanoseconds = std::chrono::nanoseconds;

std::atomic<std::uint64_t> changeCount{0};
// The last moment (steady clock, ns) at which a change must still wake the
// canvas; 0 while it is not asleep or has been woken.
std::atomic<std::int64_t> wakeForChangesUntil{0};

std::atomic<bool> tickerWaiting{false};

std::atomic<std::int64_t> lastTickAt{0};
std::atomic<std::int64_t> tickPeriod{0};
std::atomic<bool> lastTickChanged{false};

// Ticks are 8 to 48 ms apart; a longer gap is a pause of the ticker's, not
// its period.
constexpr Nanoseconds kLongestTickPeriod = std::chrono::milliseconds(100);

std::int64_t Since(ChangeClock::time_point moment) {
    return std::chrono::duration_cast<Nanoseconds>(moment.time_since_epoch()).count();
}

}  // namespace

void NoteSharedChange() noexcept {
    changeCount.fetch_add(1);
    // One wake-up per wait or sleep, however many changes come.
    if (tickerWaiting.load() && tickerWaiting.exchange(false)) plat::PostMessage(TickerWindow, plat::WM_NULL, 0, 0);
    const std::int64_t until = wakeForChangesUntil.load();
    if (until == 0 || Since(ChangeClock::now()) > until) return;
    if (wakeForChangesUntil.exchange(0) != 0) plat::PostMessage(Canvas, plat::WM_NULL, 0, 0);
}

std::uint64_t DrillChangeCount() { return changeCount.load(); }

void AnnounceCanvasSleep(ChangeClock::time_point wake, ChangeClock::duration refreshPeriod) {
    wakeForChangesUntil = std::max<std::int64_t>(1, Since(wake - refreshPeriod));
}

void EndCanvasSleep() { wakeForChangesUntil = 0; }

void AnnounceTickerWait() {
    lastTickChanged = false;
    tickerWaiting = true;
}

void EndTickerWait() { tickerWaiting = false; }

void NoteTick(ChangeClock::time_point at, bool changedSomething) {
    const std::int64_t now = Since(at);
    const std::int64_t last = lastTickAt.exchange(now);
    const std::int64_t gap = now - last;
    const std::int64_t period = tickPeriod;
    // Ticks come on the timer's rhythm, each a little late by however long
    // the ticker took to wake: the period is smoothed, so one late tick does
    // not put the next one a whole delay off. A gap far from it is a new speed.
    if (last == 0 || gap <= 0 || gap > kLongestTickPeriod.count())
        tickPeriod = 0;
    else if (period == 0 || gap < period * 3 / 4 || gap > period * 5 / 4)
        tickPeriod = gap;
    else
        tickPeriod = period + (gap - period) / 8;
    lastTickChanged = changedSomething;
}

std::optional<ChangeClock::time_point> NextChangingTickDue() {
    const std::int64_t period = tickPeriod;
    if (!lastTickChanged || period == 0) return std::nullopt;
    return ChangeClock::time_point(Nanoseconds(lastTickAt + period));
}

}  // namespace kestran
