// The canvas drawing device on plain GDI, for a system without a Direct3D 9
// device (virtual machines, remote desktops, broken drivers). It draws into
// a memory bitmap of the window's client size the way the Direct3D device
// draws (the same text coverage and pictures, blended alike) and copies each
// frame into the window.
#pragma once

#include "platform/win32/win32_canvas_device.h"

#include <map>
#include <memory>
#include <string>

#include "platform/win32/win32_canvas_text.h"

namespace plat::win32 {

class GdiCanvasDevice final : public WindowsCanvasDevice {
public:
    // Null only without a window.
    static std::unique_ptr<GdiCanvasDevice> Create(HWND window);
    ~GdiCanvasDevice() override;
    GdiCanvasDevice(const GdiCanvasDevice&) = delete;
    GdiCanvasDevice& operator=(const GdiCanvasDevice&) = delete;
    Kind DeviceKind() const override { return Kind::Gdi; }

    DeviceStatus TestCooperativeLevel() override;
    bool Reset() override;
    void Clear(Argb colour) override;
    void BeginScene() override { inScene_ = bits_ != nullptr; }
    void EndScene() override {
        inScene_ = false;
        inSprite_ = false;
    }
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override;
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override;
    int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void ReleaseFont(CanvasFontObject* font) override;
    void ReleaseTexture(CanvasTextureObject* texture) override { objects_.ReleaseTexture(texture); }
    void SpriteBegin() override { inSprite_ = inScene_; }
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override { inSprite_ = false; }
    DeviceStatus Present() override;

    // The memory bitmap as it stands.
    CanvasFrame ReadBackBuffer() const;

private:
    explicit GdiCanvasDevice(HWND window);
    bool MakeBuffer();
    void DropBuffer();
    const TextCoverage& Text(CanvasFontObject* font, const std::wstring& text, int width, int height,
                             unsigned format);
    // Blends width x height texels (texel(x, y) -> ARGB) modulated by colour
    // with their top-left at (left, top), inside clip.
    template <class Texel>
    void Blend(int left, int top, int width, int height, const RECT& clip, Argb colour, Texel texel);

    HWND window_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;  // top-down 0x00RRGGBB
    int width_ = 0, height_ = 0;
    bool inScene_ = false;
    bool inSprite_ = false;
    bool lost_ = false;

    CanvasObjects objects_;
    std::map<std::wstring, TextCoverage> texts_;
};

}  // namespace plat::win32
