// Keeps frames a display refresh apart when the device does not. A present
// that waits for the vertical retrace returns once per refresh; some drivers
// (and Wine on a virtual X server) return after a few milliseconds instead,
// which would run a 42-frame animation in a blink. Frames are kept on a
// steady grid of refreshes instead, unless the present already waited.
#pragma once

#include <chrono>

namespace plat::win32 {

using PacingClock = std::chrono::steady_clock;

// Returns once `moment` has passed, never before. The thread library's
// sleeps end on whole milliseconds rounded down: a wait of 16.6 ms woke
// 0.6 ms early and one under a millisecond not at all, so a frame timed by
// it came just before its refresh and the next frame was paced to that
// same refresh again (several frames a refresh, a hit animation in 0.3 s).
// Where the system has high-resolution timers (Windows 10 1803 on) the wait
// keeps its time also while the program has given the 1 ms timer
// resolution back; elsewhere it needs that resolution to.
void SleepUntil(PacingClock::time_point moment);

class PresentPacer {
public:
    // A frame that comes within `tolerance` of a full period is taken as
    // paced by the device: waiting on would risk missing its next retrace.
    PresentPacer(PacingClock::duration period, PacingClock::duration tolerance)
        : period_(period), tolerance_(tolerance) {}

    // Called after a present, at `now`: the moment to wait for before the
    // next frame (now itself when no wait is due).
    PacingClock::time_point After(PacingClock::time_point now) {
        if (!started_ || period_ <= PacingClock::duration::zero()) {
            started_ = true;
            last_ = now;
            return now;
        }
        const PacingClock::time_point due = last_ + period_;
        if (due - now > tolerance_) {
            last_ = due;
            return due;
        }
        // Paced by the device, or a little late: stay on the grid, so a late
        // frame is made up by the next wait and the average stays one period.
        if (now - due < period_) {
            last_ = due;
            return now;
        }
        // Later than a whole period (the loop slept through refreshes, or a
        // stall): the next refresh on the grid, none made up.
        return NextRefresh(now);
    }

    // For a frame that showed nothing new, so no present waited: the next
    // refresh on the grid, always after `now`. Several periods late, none
    // are made up.
    PacingClock::time_point NextRefresh(PacingClock::time_point now) {
        if (period_ <= PacingClock::duration::zero()) return now;
        const PacingClock::time_point due = RefreshAfter(now);
        started_ = true;
        last_ = due;
        return due;
    }

    // The first refresh on the grid after `moment`, leaving the grid as it
    // is; before any frame the grid starts at `moment`.
    PacingClock::time_point RefreshAfter(PacingClock::time_point moment) const {
        if (period_ <= PacingClock::duration::zero()) return moment;
        if (!started_) return moment + period_;
        if (moment < last_) return last_ - ((last_ - moment - PacingClock::duration(1)) / period_) * period_;
        return last_ + ((moment - last_) / period_ + 1) * period_;
    }

    PacingClock::duration Period() const { return period_; }
    void SetPeriod(PacingClock::duration period) { period_ = period; }

private:
    PacingClock::duration period_;
    PacingClock::duration tolerance_;
    PacingClock::time_point last_{};
    bool started_ = false;
};

}  // namespace plat::win32
