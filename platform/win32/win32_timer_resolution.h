// The system timer resolution of 1 ms that the ticks and the loops' 1 ms
// sleeps need. Before Windows 10 2004 it is raised for the whole system and
// costs laptop battery, so it is given back while the ticker waits because
// its ticks can change nothing (no list open, or the test running).
#pragma once

namespace plat::win32 {

// At start: raised.
void RaiseTimerResolution();

// Given back for the life of one of these, on any number of threads at once.
class CoarseTimerWhileWaiting {
public:
    CoarseTimerWhileWaiting();
    ~CoarseTimerWhileWaiting();
    CoarseTimerWhileWaiting(const CoarseTimerWhileWaiting&) = delete;
    CoarseTimerWhileWaiting& operator=(const CoarseTimerWhileWaiting&) = delete;
};

// Whether the program holds the 1 ms resolution now.
bool FineTimerResolution();

}  // namespace plat::win32
