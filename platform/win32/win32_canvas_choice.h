// The canvas device the renderer is given: Direct3D where it can be had, GDI
// otherwise. Chosen when the canvas is made and again when Direct3D stays
// lost (a remote-desktop switch, a driver update, a GPU timeout can leave
// Reset failing for good). Fonts and pictures belong to it, so they outlive
// whichever device draws them.
#pragma once

#include "platform/win32/win32_canvas_device.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace plat::win32 {

class ChosenCanvasDevice final : public CanvasDevice {
public:
    using Maker = std::function<std::unique_ptr<WindowsCanvasDevice>(HWND)>;
    using Clock = std::chrono::steady_clock;
    // After this long of failed resets the device is made anew.
    static constexpr auto kGiveUpResetsAfter = std::chrono::seconds(1);

    // The makers in order of preference (Direct3D, then GDI); `now` tells
    // the time. The first maker that gives a device is used.
    ChosenCanvasDevice(HWND window, std::vector<Maker> makers, std::function<Clock::time_point()> now = Clock::now);
    // With the Direct3D and GDI devices. Null when neither can be made.
    static std::unique_ptr<ChosenCanvasDevice> Create(HWND window);

    bool HasDevice() const { return current_ != nullptr; }
    // Which device draws now; null for none. Render thread only.
    WindowsCanvasDevice* Current() const { return current_.get(); }

    DeviceStatus TestCooperativeLevel() override;
    bool Reset() override;
    void Clear(Argb colour) override;
    void BeginScene() override;
    void EndScene() override;
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override;
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override;
    int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void ReleaseFont(CanvasFontObject* font) override;
    void ReleaseTexture(CanvasTextureObject* texture) override;
    void SpriteBegin() override;
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override;
    DeviceStatus Present() override;
    void KeepFrame() override;
    void WaitForRefresh() override;
    RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment) override;
    RefreshClock::duration RefreshPeriod() const override;

    // --- For tests, from any thread -----------------------------------------
    // Every presented frame is kept from now on, whichever device shows it.
    void KeepFrames(bool keep);
    CanvasFrame LastFrame() const;
    // The kind of the device that draws now; none without one.
    std::optional<WindowsCanvasDevice::Kind> CurrentKind() const;

private:
    void MakeDevice();

    HWND window_;
    std::vector<Maker> makers_;
    std::function<Clock::time_point()> now_;
    std::unique_ptr<WindowsCanvasDevice> current_;
    std::optional<Clock::time_point> failingSince_;
    CanvasObjects objects_;

    std::atomic<bool> keepFrames_{false};
    mutable std::mutex lastFrameMutex_;
    CanvasFrame lastFrame_;
    std::atomic<int> kind_{-1};  // of current_, -1 for none
};

}  // namespace plat::win32
