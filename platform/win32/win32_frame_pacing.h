// Keeps presented frames a display refresh apart when the device does not.
// A present that waits for the vertical retrace returns once per refresh;
// some drivers (and Wine on a virtual X server) return after a few
// milliseconds instead, which would run a 42-frame animation in a blink.
#pragma once

#include <chrono>

namespace plat::win32 {

using PacingClock = std::chrono::steady_clock;

class PresentPacer {
public:
    // A frame that comes within `tolerance` of a full period is taken as
    // paced by the device: waiting on would risk missing its next retrace.
    PresentPacer(PacingClock::duration period, PacingClock::duration tolerance)
        : period_(period), tolerance_(tolerance) {}

    // Called as a present returns at `now`: the moment to wait for before
    // the next frame (now itself when no wait is due).
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
        // Later than a whole period (a stall): start the grid afresh rather
        // than rush several frames to catch up.
        last_ = now - due < period_ ? due : now;
        return now;
    }

    // For a frame that shows nothing new, so no present waits: the next
    // refresh on the same grid, always after `now`, so a loop that only waits
    // still wakes once per refresh.
    PacingClock::time_point NextRefresh(PacingClock::time_point now) {
        if (period_ <= PacingClock::duration::zero()) return now;
        if (!started_) {
            started_ = true;
            last_ = now;
        }
        PacingClock::time_point due = last_ + period_;
        if (due <= now) due = now + (period_ - (now - last_) % period_);
        last_ = due;
        return due;
    }

    void SetPeriod(PacingClock::duration period) { period_ = period; }

private:
    PacingClock::duration period_;
    PacingClock::duration tolerance_;
    PacingClock::time_point last_{};
    bool started_ = false;
};

}  // namespace plat::win32
