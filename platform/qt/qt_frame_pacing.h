// The display's refresh grid on a steady clock: the render loop waits for
// its boundaries the way a present that waits for the vertical retrace does.
#pragma once

#include <chrono>
#include <thread>

namespace plat::qt {

using PacingClock = std::chrono::steady_clock;

// The first boundary strictly after `now` of the grid origin + k * period.
// A frame that overran a period lands on the next boundary, not a late one.
inline PacingClock::time_point NextRefreshBoundary(PacingClock::time_point origin, PacingClock::duration period,
                                                   PacingClock::time_point now) {
    if (period <= PacingClock::duration::zero()) return now;
    if (now < origin) return origin;
    return origin + ((now - origin) / period + 1) * period;
}

class FramePacer {
public:
    // refreshHz 0 or less: no waiting.
    explicit FramePacer(double refreshHz) { SetRate(refreshHz); }

    void SetRate(double refreshHz) {
        period_ = refreshHz > 0 ? std::chrono::duration_cast<PacingClock::duration>(
                                      std::chrono::duration<double>(1.0 / refreshHz))
                                : PacingClock::duration::zero();
    }
    bool Paced() const { return period_ > PacingClock::duration::zero(); }

    PacingClock::duration Period() const { return period_; }
    // The first boundary after `moment` (`moment` itself when unpaced).
    PacingClock::time_point RefreshAfter(PacingClock::time_point moment) const {
        return NextRefreshBoundary(origin_, period_, moment);
    }
    // Sleeps until the next refresh boundary.
    void WaitForRefresh() const {
        if (Paced()) std::this_thread::sleep_until(RefreshAfter(PacingClock::now()));
    }

private:
    PacingClock::time_point origin_ = PacingClock::now();
    PacingClock::duration period_{};
};

}  // namespace plat::qt
