#include "ui/frame_wait.h"

#include <algorithm>
#include <chrono>

#include "drill/change_signal.h"

namespace kestran {
namespace {

// Without a device the loop has no refresh to wait for; this stands in for
// it so animations keep their length and the thread does not spin.
constexpr unsigned kFramePeriodWithoutDeviceMs = 16;
// However still the canvas, the device and its window are looked after
// (a lost surface, an exposed window) at least this often.
constexpr auto kLongestSleep = std::chrono::milliseconds(100);
// A tick's changes are made within this of the moment the tick was due.
constexpr auto kTickMargin = std::chrono::milliseconds(1);

// Sleeps until `wake` unless a change or a message comes first; true when
// one did.
bool SleepUntilRefresh(plat::CanvasDevice& device, ChangeClock::time_point wake, std::uint64_t changesAtFrameStart) {
    AnnounceCanvasSleep(wake, device.RefreshPeriod());
    bool woken = DrillChangeCount() != changesAtFrameStart;
    if (!woken) {
        const auto left = std::chrono::ceil<std::chrono::microseconds>(wake - ChangeClock::now()).count();
        woken = left > 0 && plat::WaitMessageTimeout(static_cast<unsigned>(left));
    }
    EndCanvasSleep();
    return woken;
}

}  // namespace

void WaitBeforeNextFrame(plat::CanvasDevice* device, std::uint64_t changesAtFrameStart, bool redraw) {
    if (!device) {
        plat::Sleep(kFramePeriodWithoutDeviceMs);
        return;
    }
    if (!device->WaitsForRefresh()) {
        plat::Sleep(1);
        return;
    }
    if (redraw || DrillChangeCount() != changesAtFrameStart) {
        device->WaitForRefresh();
        return;
    }
    const ChangeClock::time_point now = ChangeClock::now();
    ChangeClock::time_point until = now + kLongestSleep;
    // A tick already late is waited for a refresh at a time, as before it.
    if (const auto tick = NextChangingTickDue()) until = std::clamp(*tick + kTickMargin, now, until);
    const ChangeClock::time_point wake = device->RefreshAfter(until);
    if (wake <= device->RefreshAfter(now) || SleepUntilRefresh(*device, wake, changesAtFrameStart))
        device->WaitForRefresh();
}

}  // namespace kestran
