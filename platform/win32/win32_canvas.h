// The canvas drawing device on plain Direct3D 9: text laid out by GDI and
// pictures decoded by GDI+ become textures, drawn as textured quads with
// alpha blending and colour modulation. Nothing here needs the Direct3D
// extension library, which is not part of Windows.
#pragma once

// The fence before any system header, so the contract keeps its names.
#include "platform/win32/windows_fence.h"

#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_frame_pacing.h"

struct plat::CanvasFontObject {
    HFONT font = nullptr;
};
// Emptied by a Reset, as the contract has textures made again afterwards.
struct plat::CanvasTextureObject {
    IDirect3DTexture9* texture = nullptr;
    int width = 0, height = 0;                // the picture's size
    int textureWidth = 0, textureHeight = 0;  // the allocation's (powers of two)
};

namespace plat::win32 {

// A frame read back from the device: row-major 0x00RRGGBB.
struct CanvasFrame {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t Pixel(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

class Direct3DCanvasDevice final : public CanvasDevice {
public:
    // Null when Direct3D 9 or a device for the window cannot be had.
    static std::unique_ptr<Direct3DCanvasDevice> Create(HWND window);
    ~Direct3DCanvasDevice() override;
    Direct3DCanvasDevice(const Direct3DCanvasDevice&) = delete;
    Direct3DCanvasDevice& operator=(const Direct3DCanvasDevice&) = delete;

    DeviceStatus TestCooperativeLevel() override;
    bool Reset() override;
    void Clear(Argb colour) override;
    void BeginScene() override;
    void EndScene() override;
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override;
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void SpriteBegin() override;
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override;
    DeviceStatus Present() override;
    void WaitForRefresh() override;
    RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment) override {
        return pacer_.RefreshAfter(moment);
    }
    RefreshClock::duration RefreshPeriod() const override { return pacer_.Period(); }

    // The back buffer as it stands (before Present: the frame about to be
    // shown). A Direct3D window does not show in every screen capture, so
    // tests look here. Empty when it cannot be read.
    CanvasFrame ReadBackBuffer();
    // Keeps a copy of every frame as it is presented, for LastFrame. Both
    // may be called from any thread while the render thread presents.
    void KeepFrames(bool keep) { keepFrames_ = keep; }
    CanvasFrame LastFrame() const {
        std::lock_guard lock(lastFrameMutex_);
        return lastFrame_;
    }
    // The refresh rate frames are paced to when the device returns early.
    double RefreshHz() const { return refreshHz_; }

private:
    struct CachedText {
        IDirect3DTexture9* texture = nullptr;
        int width = 0, height = 0, textureWidth = 0, textureHeight = 0;
        int offsetX = 0, offsetY = 0;
        int textHeight = 0;
    };

    Direct3DCanvasDevice(HWND window, IDirect3D9* direct3D);
    bool MakeDevice();
    void NoteBackBufferSize();
    D3DPRESENT_PARAMETERS PresentParameters() const;
    void SetDrawingStates();
    void DropTextures();
    bool ClientSizeChanged() const;
    const CachedText& Text(CanvasFontObject* font, const std::wstring& text, int width, int height, unsigned format);
    void DrawQuad(IDirect3DTexture9* texture, int textureWidth, int textureHeight, const RECT& source, float x,
                  float y, Argb colour);

    HWND window_;
    IDirect3D9* direct3D_;
    IDirect3DDevice9* device_ = nullptr;
    D3DFORMAT backBufferFormat_ = D3DFMT_X8R8G8B8;
    int backBufferWidth_ = 0, backBufferHeight_ = 0;
    bool inScene_ = false;
    bool inSprite_ = false;
    bool lost_ = false;
    double refreshHz_ = 60;
    PresentPacer pacer_;
    bool presented_ = false;  // since the last wait for a refresh
    std::atomic<bool> keepFrames_{false};
    mutable std::mutex lastFrameMutex_;
    CanvasFrame lastFrame_;

    std::vector<std::unique_ptr<CanvasFontObject>> fonts_;
    std::vector<std::unique_ptr<CanvasTextureObject>> textures_;
    std::unordered_map<std::wstring, CachedText> texts_;
};

class Direct3DCanvasService final : public CanvasGraphics {
public:
    // The device lives until the process ends, like the window it draws into.
    CanvasDevice* CreateDevice(Window window) override;
    // The device made last, for tests that read the canvas back.
    Direct3DCanvasDevice* LastDevice() const { return last_.load(); }
    // Devices made from now on keep every presented frame from their first,
    // for tests: an unchanged canvas presents nothing new to catch later.
    void KeepFramesOfNewDevices(bool keep) { keepFrames_ = keep; }

private:
    std::atomic<Direct3DCanvasDevice*> last_{nullptr};
    std::atomic<bool> keepFrames_{false};
};

// Power of two at least n (textures are allocated so on every device).
int TextureSide(int n);

}  // namespace plat::win32
