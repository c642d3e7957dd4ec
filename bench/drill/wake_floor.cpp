// Two threads that do nothing but wake the way KESTRAN's ticker and drawing
// thread wake while a word moves at the start speed: one on a fixed 27 ms
// schedule, the other a millisecond after each of those wake-ups (when the
// tick's change is there to draw). Each waits on a condition variable with
// a deadline, as the program's message queues do. Runs until it is stopped.
//
// Its processor time is the part of KESTRAN's drilling figure that neither
// drawing less nor ticking cheaper can take away: the cost, on the machine
// at hand, of two wake-ups a tick.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<unsigned> ticks{0};

void WakeOnSchedule(Clock::time_point first, Clock::duration period, bool isTicker) {
    std::mutex mutex;
    std::condition_variable never;
    for (Clock::time_point due = first;; due += period) {
        std::unique_lock lock(mutex);
        never.wait_until(lock, due, [] { return false; });
        if (isTicker)
            ticks.fetch_add(1, std::memory_order_relaxed);
        else
            (void)ticks.load(std::memory_order_relaxed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int periodMs = argc > 1 ? std::atoi(argv[1]) : 27;
    const auto period = std::chrono::milliseconds(periodMs > 0 ? periodMs : 27);
    const Clock::time_point start = Clock::now() + period;
    std::thread ticker(WakeOnSchedule, start, period, true);
    std::thread drawer(WakeOnSchedule, start + std::chrono::milliseconds(1), period, false);
    ticker.join();
    drawer.join();
}
