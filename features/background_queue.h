// Work a feature must not do on a drill thread (writing files, speaking),
// done in order on a thread of the queue's own. The thread starts with the
// first job and is never joined: like the drill's threads, it ends with
// the process, and a job still waiting then is lost (FlushWithin at the
// end of the program keeps them, as far as time allows).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace kestran {

class BackgroundQueue {
public:
    void Post(std::function<void()> job);
    // Returns once every job posted before has run.
    void Flush();
    // The same, but waits at most `limit`; true when nothing is left.
    bool FlushWithin(std::chrono::milliseconds limit);

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool started_ = false;
    bool busy_ = false;
};

}  // namespace kestran
