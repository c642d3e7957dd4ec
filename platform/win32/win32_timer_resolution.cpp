#include "platform/win32/win32_timer_resolution.h"

#include <mutex>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {
namespace {

std::mutex gMutex;
bool gRaised = false;   // asked for at start
int gWaiting = 0;       // threads that gave it back for a wait
bool gHeld = false;     // what the system was last told

void Update() {
    const bool wanted = gRaised && gWaiting == 0;
    if (wanted == gHeld) return;
    if (wanted)
        ::timeBeginPeriod(1);
    else
        ::timeEndPeriod(1);
    gHeld = wanted;
}

}  // namespace

void RaiseTimerResolution() {
    std::lock_guard lock(gMutex);
    gRaised = true;
    Update();
}

CoarseTimerWhileWaiting::CoarseTimerWhileWaiting() {
    std::lock_guard lock(gMutex);
    ++gWaiting;
    Update();
}

CoarseTimerWhileWaiting::~CoarseTimerWhileWaiting() {
    std::lock_guard lock(gMutex);
    --gWaiting;
    Update();
}

bool FineTimerResolution() {
    std::lock_guard lock(gMutex);
    return gHeld;
}

}  // namespace plat::win32
