// The canvas drawing device on plain Direct3D 9: text laid out by GDI and
// pictures decoded by GDI+ become textures, drawn as textured quads with
// alpha blending and colour modulation. Nothing here needs the Direct3D
// extension library, which is not part of Windows.
#pragma once

// The fence before any system header, so the contract keeps its names.
#include "platform/win32/windows_fence.h"

#include <d3d9.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/win32/win32_canvas_device.h"

namespace plat::win32 {

class Direct3DCanvasDevice final : public WindowsCanvasDevice {
public:
    // Null when Direct3D 9 or a device for the window cannot be had.
    // Direct3D is loaded here, not when the program starts: a system
    // without it still runs the program, on another device.
    static std::unique_ptr<Direct3DCanvasDevice> Create(HWND window);
    Kind DeviceKind() const override { return Kind::Direct3D; }
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
    int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void ReleaseFont(CanvasFontObject* font) override;
    void ReleaseTexture(CanvasTextureObject* texture) override;
    void SpriteBegin() override;
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override;
    DeviceStatus Present() override;

    // The back buffer as it stands (before Present: the frame about to be
    // shown). A Direct3D window does not show in every screen capture, so
    // tests look here. Empty when it cannot be read.
    CanvasFrame ReadBackBuffer();

private:
    struct CachedText {
        IDirect3DTexture9* texture = nullptr;
        int width = 0, height = 0, textureWidth = 0, textureHeight = 0;
        int offsetX = 0, offsetY = 0;
        int textHeight = 0;
    };
    // A picture as a texture of this device, made on first use.
    struct DeviceTexture {
        IDirect3DTexture9* texture = nullptr;
        int textureWidth = 0, textureHeight = 0;
    };

    Direct3DCanvasDevice(HWND window, IDirect3D9* direct3D);
    bool MakeDevice();
    void NoteBackBufferSize();
    D3DPRESENT_PARAMETERS PresentParameters() const;
    void SetDrawingStates();
    void DropTextures();
    void DropTexts();
    bool ClientSizeChanged() const;
    const DeviceTexture& TextureOf(const CanvasTextureObject* picture);
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

    CanvasObjects objects_;
    std::unordered_map<const CanvasTextureObject*, DeviceTexture> textures_;
    std::unordered_map<std::wstring, CachedText> texts_;
};

// Power of two at least n (textures are allocated so on every device).
int TextureSide(int n);

}  // namespace plat::win32
