#include "platform/win32/win32_canvas_device.h"

#include <algorithm>
#include <thread>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_canvas_text.h"

namespace plat::win32 {

CanvasObjects::~CanvasObjects() {
    for (auto& font : fonts_) ::DeleteObject(font->font);
}

CanvasFontObject* CanvasObjects::CreateFont(int height, int width, int weight, const char* face) {
    HFONT font = CreateCellFont(height, width, weight, WideFromGbk(face ? face : ""));
    if (!font) return nullptr;
    fonts_.push_back(std::make_unique<CanvasFontObject>(CanvasFontObject{font}));
    return fonts_.back().get();
}

void CanvasObjects::ReleaseFont(CanvasFontObject* font) {
    auto made = std::find_if(fonts_.begin(), fonts_.end(), [font](const auto& f) { return f.get() == font; });
    if (made == fonts_.end()) return;
    ::DeleteObject((*made)->font);
    fonts_.erase(made);
}

void CanvasObjects::ReleaseTexture(CanvasTextureObject* texture) {
    auto made = std::find_if(textures_.begin(), textures_.end(), [texture](const auto& t) { return t.get() == texture; });
    if (made != textures_.end()) textures_.erase(made);
}

CanvasTextureObject* CanvasObjects::CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) {
    if (!path) return nullptr;
    Pixels pixels = LoadTexturePixels(WideFromGbk(path), width, height, colourKey);
    if (pixels.Empty()) return nullptr;
    textures_.push_back(std::make_unique<CanvasTextureObject>(CanvasTextureObject{std::move(pixels)}));
    return textures_.back().get();
}

double DisplayRefreshHz() {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    // 0 and 1 stand for the hardware's default rate, which nobody says.
    if (::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
        return mode.dmDisplayFrequency;
    return 60;
}

namespace {

// The calling thread's own high-resolution timer; null where the system
// has none.
HANDLE HighResolutionTimer() {
    constexpr DWORD kHighResolution = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
    thread_local const HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS);
    return timer;
}

}  // namespace

void SleepUntil(PacingClock::time_point moment) {
    HANDLE timer = HighResolutionTimer();
    for (auto now = PacingClock::now(); now < moment; now = PacingClock::now()) {
        // Relative, in units of 100 ns, rounded up.
        LARGE_INTEGER due{};
        due.QuadPart = -((std::chrono::ceil<std::chrono::microseconds>(moment - now).count()) * 10);
        if (timer && ::SetWaitableTimerEx(timer, &due, 0, nullptr, nullptr, nullptr, 0) &&
            ::WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0)
            continue;
        std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(moment - now));
    }
}

PacingClock::duration PeriodOf(double hz) {
    return std::chrono::duration_cast<PacingClock::duration>(std::chrono::duration<double>(1.0 / hz));
}

WindowsCanvasDevice::WindowsCanvasDevice(double refreshHz)
    : refreshHz_(refreshHz > 1 ? refreshHz : 60), pacer_(PeriodOf(refreshHz_), PeriodOf(refreshHz_) / 4) {}

void WindowsCanvasDevice::SetRefreshHz(double hz) {
    refreshHz_ = hz > 1 ? hz : 60;
    pacer_.SetPeriod(PeriodOf(refreshHz_));
}

void WindowsCanvasDevice::NotePresented(bool shown, CanvasFrame frame) {
    presented_ = true;
    if (!shown || frame.rgb.empty()) return;
    std::lock_guard lock(lastFrameMutex_);
    lastFrame_ = std::move(frame);
}

void WindowsCanvasDevice::WaitForRefresh() {
    const PacingClock::time_point now = PacingClock::now();
    SleepUntil(presented_ ? pacer_.After(now) : pacer_.NextRefresh(now));
    presented_ = false;
}

}  // namespace plat::win32
