// The canvas at the monitor's scale. The renderer draws in the canvas's
// 96-DPI pixels (480 by 75); this device stands in front of the real one and
// hands it every place, size and font scaled to the canvas window's DPI, so
// text is laid out afresh at the larger size and the sprite strip is
// resampled once, instead of a finished frame being stretched. At 96 DPI
// every call passes through unchanged.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat::win32 {

class ScaledCanvasDevice final : public CanvasDevice {
public:
    // `dpi` answers the scale the canvas is laid out for; asked once a frame.
    ScaledCanvasDevice(CanvasDevice* device, std::function<unsigned()> dpi);
    ~ScaledCanvasDevice() override;

    // A change of scale reads as a surface to reset: the renderer then draws
    // the next frame whole, at the new scale. Fonts and textures made before
    // are remade at the new scale by the reset.
    DeviceStatus TestCooperativeLevel() override;
    bool Reset() override;
    void Clear(Argb colour) override { device_->Clear(colour); }
    void BeginScene() override { device_->BeginScene(); }
    void EndScene() override { device_->EndScene(); }
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override;
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override;
    int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void SpriteBegin() override { device_->SpriteBegin(); }
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override { device_->SpriteEnd(); }
    void ReleaseFont(CanvasFontObject* font) override;
    void ReleaseTexture(CanvasTextureObject* texture) override;
    DeviceStatus Present() override { return device_->Present(); }
    void KeepFrame() override { device_->KeepFrame(); }
    void WaitForRefresh() override { device_->WaitForRefresh(); }
    RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment) override {
        return device_->RefreshAfter(moment);
    }
    RefreshClock::duration RefreshPeriod() const override { return device_->RefreshPeriod(); }
    bool WaitsForRefresh() const override { return device_->WaitsForRefresh(); }

    unsigned Dpi() const { return dpi_; }

private:
    struct Font;
    struct Texture;
    void MakeFont(Font& font);
    void MakeTexture(Texture& texture);

    CanvasDevice* device_;
    std::function<unsigned()> dpiOfCanvas_;
    unsigned dpi_;
    std::vector<std::unique_ptr<Font>> fonts_;
    std::vector<std::unique_ptr<Texture>> textures_;
};

// Makes the devices of `canvas` and puts each behind a ScaledCanvasDevice
// that follows the DPI its window is laid out for.
class ScaledCanvasService final : public CanvasGraphics {
public:
    explicit ScaledCanvasService(CanvasGraphics& canvas) : canvas_(canvas) {}
    CanvasDevice* CreateDevice(Window window) override;

private:
    CanvasGraphics& canvas_;
};

}  // namespace plat::win32
