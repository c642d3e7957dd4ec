// One thread's message queue: posted messages, timers synthesised when due,
// and requests sent from other threads that run on the owner thread while it
// retrieves messages. Backends build their queues on this.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/types.h"

namespace plat {

// Where the queues read the time for their timers. Tests install one that
// runs on simulated time: a thread that has nothing to do but wait for a
// timer moves that time on to the timer at once.
class QueueTimeSource {
public:
    using Clock = std::chrono::steady_clock;
    virtual ~QueueTimeSource() = default;
    virtual Clock::time_point Now() = 0;
    virtual void SkipTo(Clock::time_point due) = 0;
};

class ThreadQueue {
public:
    using Clock = std::chrono::steady_clock;

    // Null: the steady clock. For every queue of the process.
    static void UseTimeSource(QueueTimeSource* source);
    static Clock::time_point Now();

    void Post(const Message& message);
    void PostQuit(int exitCode);
    // Turns the newest still-queued message `from` of the window into `to`;
    // false when there is none left in the queue.
    bool ReplaceNewest(Window window, MessageId from, MessageId to);

    // Asks the window (owned by this queue's thread) to be painted: one
    // WM_PAINT follows, however many invalidations came before it.
    void Invalidate(Window window);

    // Takes the next message: posted messages first, then WM_QUIT, then a
    // WM_PAINT (taking it validates the window), then one due timer. Runs
    // requests sent from other threads before looking.
    // With wait false, returns false at once when there is nothing.
    bool Take(Message& message, bool wait);
    // Waits for the next message and takes it no earlier than `notBefore`:
    // what a sleep until then followed by Take would retrieve, in one wait.
    void TakeNotBefore(Message& message, Clock::time_point notBefore);

    // Waits until something can be taken or `moment` has come, whichever
    // is first, and answers whether something can be taken. Takes nothing.
    bool WaitUntil(Clock::time_point moment);

    // Waits until a posted message or a quit can be taken, running the
    // requests sent meanwhile; a timer falling due does not end the wait.
    // Takes nothing.
    void WaitForPosted();
    // Runs the requests sent so far and answers whether a posted message or
    // a quit can be taken.
    bool HasPosted();

    // The deadline of the next timer, or Clock::time_point::max().
    Clock::time_point NextTimerDue();

    // Arms or re-arms a timer of a window owned by this queue's thread. The
    // first message is due one period from now.
    void SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs);
    bool KillTimer(Window window, std::uintptr_t timerId);
    void KillTimersOf(Window window);

    // Runs `request` on the owner thread the next time it retrieves messages
    // and waits for it. Called on the owner thread, runs it at once.
    void Send(const std::function<void()>& request);
    // Runs the requests sent so far; the owner calls this from nested loops.
    void RunSentRequests();
    bool HasSentRequests();

    // Wakes a thread waiting in Take (used when something outside the queue
    // changed, and by backends that add their own wake-up).
    void Wake();
    // Called by the queue whenever something is added; a backend whose owner
    // waits elsewhere (a toolkit event loop) hooks its own wake-up here.
    void SetWakeHook(std::function<void()> hook);

    std::thread::id Owner() const { return owner_.load(); }
    void SetOwner(std::thread::id owner) { owner_.store(owner); }

private:
    struct Timer {
        Window window;
        std::uintptr_t id;
        Clock::duration period;
        Clock::time_point due;
    };
    struct SentRequest {
        std::function<void()> run;
        bool done = false;
    };

    bool TakeTimerLocked(Message& message, Clock::time_point now);
    bool AnythingDueByLocked(Clock::time_point moment);
    void WaitUntilLocked(std::unique_lock<std::mutex>& lock, Clock::time_point moment);
    void NotifyLocked();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Message> posted_;
    std::vector<Timer> timers_;
    std::vector<Window> invalid_;  // to be painted, oldest first
    std::deque<std::shared_ptr<SentRequest>> sent_;
    std::condition_variable sentDone_;
    bool quitPosted_ = false;
    int quitCode_ = 0;
    std::function<void()> wakeHook_;
    std::atomic<std::thread::id> owner_{};
};

// The queue of the calling thread, made on first use.
ThreadQueue& CurrentThreadQueue();
// The queue of another thread, made on first use.
ThreadQueue& QueueOfThread(std::thread::id thread);

}  // namespace plat
