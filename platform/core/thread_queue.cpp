#include "platform/core/thread_queue.h"

#include <algorithm>
#include <map>

namespace plat {

namespace {
std::atomic<QueueTimeSource*> gTimeSource{nullptr};
}

void ThreadQueue::UseTimeSource(QueueTimeSource* source) { gTimeSource = source; }

ThreadQueue::Clock::time_point ThreadQueue::Now() {
    QueueTimeSource* source = gTimeSource.load();
    return source ? source->Now() : Clock::now();
}

void ThreadQueue::Post(const Message& message) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(message);
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
}

void ThreadQueue::Invalidate(Window window) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        if (std::find(invalid_.begin(), invalid_.end(), window) != invalid_.end()) return;
        invalid_.push_back(window);
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
}

bool ThreadQueue::ReplaceNewest(Window window, MessageId from, MessageId to) {
    std::lock_guard lock(mutex_);
    for (auto it = posted_.rbegin(); it != posted_.rend(); ++it)
        if (it->window == window && it->message == from) {
            it->message = to;
            return true;
        }
    return false;
}

void ThreadQueue::PostQuit(int exitCode) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        quitPosted_ = true;
        quitCode_ = exitCode;
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
}

bool ThreadQueue::TakeTimerLocked(Message& message, Clock::time_point now) {
    Timer* earliest = nullptr;
    for (Timer& t : timers_)
        if (t.due <= now && (!earliest || t.due < earliest->due)) earliest = &t;
    if (!earliest) return false;
    message = Message{earliest->window, WM_TIMER, earliest->id, 0};
    // Keep the rhythm of the period; a timer that fell a whole period behind
    // (its thread was busy) starts afresh instead of making the ticks up.
    earliest->due += earliest->period;
    if (earliest->due <= now) earliest->due = now + earliest->period;
    return true;
}

bool ThreadQueue::Take(Message& message, bool wait) {
    for (;;) {
        RunSentRequests();
        std::unique_lock lock(mutex_);
        if (!sent_.empty()) continue;
        if (!posted_.empty()) {
            message = posted_.front();
            posted_.pop_front();
            return true;
        }
        if (quitPosted_) {
            quitPosted_ = false;
            message = Message{nullptr, WM_QUIT, static_cast<WParam>(quitCode_), 0};
            return true;
        }
        if (!invalid_.empty()) {
            message = Message{invalid_.front(), WM_PAINT, 0, 0};
            invalid_.erase(invalid_.begin());
            return true;
        }
        Clock::time_point now = Now();
        if (TakeTimerLocked(message, now)) return true;
        if (!wait) return false;
        Clock::time_point next = Clock::time_point::max();
        for (const Timer& t : timers_) next = std::min(next, t.due);
        WaitUntilLocked(lock, next);
    }
}

bool ThreadQueue::AnythingDueByLocked(Clock::time_point moment) {
    if (!posted_.empty() || quitPosted_ || !sent_.empty() || !invalid_.empty()) return true;
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.due <= moment; });
}

void ThreadQueue::WaitUntilLocked(std::unique_lock<std::mutex>& lock, Clock::time_point moment) {
    QueueTimeSource* simulated = gTimeSource.load();
    if (moment == Clock::time_point::max())
        changed_.wait(lock);
    else if (simulated)
        simulated->SkipTo(moment);
    else
        changed_.wait_until(lock, moment);
}

void ThreadQueue::TakeNotBefore(Message& message, Clock::time_point notBefore) {
    {
        std::unique_lock lock(mutex_);
        // Until `notBefore` the thread sleeps once: to that moment when
        // something will be there by then, otherwise to whichever comes
        // first of a new message and the next timer (due after it anyway).
        while (Now() < notBefore) {
            if (AnythingDueByLocked(notBefore)) {
                WaitUntilLocked(lock, notBefore);
                continue;
            }
            Clock::time_point next = Clock::time_point::max();
            for (const Timer& t : timers_) next = std::min(next, t.due);
            WaitUntilLocked(lock, next);
        }
    }
    Take(message, true);
}

bool ThreadQueue::WaitUntil(Clock::time_point moment) {
    for (;;) {
        RunSentRequests();
        std::unique_lock lock(mutex_);
        if (!sent_.empty()) continue;
        const Clock::time_point now = Now();
        if (AnythingDueByLocked(now)) return true;
        if (now >= moment) return false;
        Clock::time_point until = moment;
        for (const Timer& t : timers_) until = std::min(until, t.due);
        WaitUntilLocked(lock, until);
    }
}

void ThreadQueue::WaitForPosted() {
    for (;;) {
        RunSentRequests();
        std::unique_lock lock(mutex_);
        if (!sent_.empty()) continue;
        if (!posted_.empty() || quitPosted_) return;
        changed_.wait(lock);
    }
}

bool ThreadQueue::HasPosted() {
    RunSentRequests();
    std::lock_guard lock(mutex_);
    return !posted_.empty() || quitPosted_;
}

ThreadQueue::Clock::time_point ThreadQueue::NextTimerDue() {
    std::lock_guard lock(mutex_);
    Clock::time_point next = Clock::time_point::max();
    for (const Timer& t : timers_) next = std::min(next, t.due);
    return next;
}

void ThreadQueue::SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        // A period of 0 behaves like the shortest timer the system has.
        Clock::duration period = std::chrono::milliseconds(std::max(periodMs, 1u));
        Clock::time_point due = Now() + period;
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == window && t.id == timerId; });
        if (it != timers_.end()) {
            it->period = period;
            it->due = due;
        } else {
            timers_.push_back(Timer{window, timerId, period, due});
        }
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
}

bool ThreadQueue::KillTimer(Window window, std::uintptr_t timerId) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.window == window && t.id == timerId; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

void ThreadQueue::KillTimersOf(Window window) {
    std::lock_guard lock(mutex_);
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.window == window; }),
                  timers_.end());
}

void ThreadQueue::Send(const std::function<void()>& request) {
    if (std::this_thread::get_id() == owner_.load()) {
        request();
        return;
    }
    auto sent = std::make_shared<SentRequest>();
    sent->run = request;
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        sent_.push_back(sent);
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
    std::unique_lock lock(mutex_);
    sentDone_.wait(lock, [&] { return sent->done; });
}

void ThreadQueue::RunSentRequests() {
    for (;;) {
        std::shared_ptr<SentRequest> next;
        {
            std::lock_guard lock(mutex_);
            if (sent_.empty()) return;
            next = sent_.front();
            sent_.pop_front();
        }
        next->run();
        std::lock_guard lock(mutex_);
        next->done = true;
        sentDone_.notify_all();
    }
}

bool ThreadQueue::HasSentRequests() {
    std::lock_guard lock(mutex_);
    return !sent_.empty();
}

void ThreadQueue::Wake() {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        hook = wakeHook_;
        changed_.notify_all();
    }
    if (hook) hook();
}

void ThreadQueue::SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    wakeHook_ = std::move(hook);
}

namespace {
std::mutex gQueuesMutex;
std::map<std::thread::id, std::unique_ptr<ThreadQueue>>& Queues() {
    static auto* queues = new std::map<std::thread::id, std::unique_ptr<ThreadQueue>>();
    return *queues;
}
}  // namespace

ThreadQueue& QueueOfThread(std::thread::id thread) {
    std::lock_guard lock(gQueuesMutex);
    auto& slot = Queues()[thread];
    if (!slot) {
        slot = std::make_unique<ThreadQueue>();
        slot->SetOwner(thread);
    }
    return *slot;
}

namespace {
// When a thread ends its queue is unhooked from its id, which the system may
// hand to a new thread; the queue itself stays, as windows may point at it.
struct QueueRelease {
    std::thread::id id = std::this_thread::get_id();
    ~QueueRelease() {
        std::lock_guard lock(gQueuesMutex);
        auto it = Queues().find(id);
        if (it == Queues().end()) return;
        static auto* graveyard = new std::vector<std::unique_ptr<ThreadQueue>>();
        graveyard->push_back(std::move(it->second));
        Queues().erase(it);
    }
};
}  // namespace

ThreadQueue& CurrentThreadQueue() {
    thread_local QueueRelease release;
    thread_local ThreadQueue* queue = &QueueOfThread(std::this_thread::get_id());
    return *queue;
}

}  // namespace plat
