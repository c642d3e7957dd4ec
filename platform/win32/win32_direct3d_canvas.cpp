#include "platform/win32/win32_direct3d_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_canvas_text.h"

namespace plat::win32 {
namespace {

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD kVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr std::size_t kTextCacheCapacity = 128;

template <class T>
void Release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Loaded from the system folder only, never from the program's or the
// working folder, where anyone may have put a d3d9.dll.
HMODULE LoadDirect3D() {
    HMODULE module = ::LoadLibraryExW(L"d3d9.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without its 2011 loader update does not know the flag.
    if (!module && ::GetLastError() == ERROR_INVALID_PARAMETER) module = ::LoadLibraryW(L"d3d9.dll");
    return module;
}

IDirect3D9* CreateDirect3D() {
    using Create9 = IDirect3D9*(WINAPI*)(UINT);
    static const Create9 create = [] {
        HMODULE module = LoadDirect3D();
        return module ? reinterpret_cast<Create9>(reinterpret_cast<void*>(::GetProcAddress(module, "Direct3DCreate9")))
                      : nullptr;
    }();
    return create ? create(D3D_SDK_VERSION) : nullptr;
}

// A texture of at least width x height filled by fill(x, y) -> ARGB, or null.
template <class Fill>
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, int width, int height, Fill fill) {
    IDirect3DTexture9* texture = nullptr;
    const int tw = TextureSide(width), th = TextureSide(height);
    // The managed pool survives a Reset, so the device need not be emptied
    // of textures before it can be reset.
    if (FAILED(device->CreateTexture(static_cast<UINT>(tw), static_cast<UINT>(th), 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return nullptr;
    }
    for (int y = 0; y < th; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < tw; ++x) row[x] = (x < width && y < height) ? fill(x, y) : 0u;
    }
    texture->UnlockRect(0);
    return texture;
}

}  // namespace

int TextureSide(int n) {
    int side = 1;
    while (side < n) side *= 2;
    return side;
}

std::unique_ptr<Direct3DCanvasDevice> Direct3DCanvasDevice::Create(HWND window) {
    if (!window) return nullptr;
    IDirect3D9* direct3D = CreateDirect3D();
    if (!direct3D) return nullptr;
    std::unique_ptr<Direct3DCanvasDevice> device(new Direct3DCanvasDevice(window, direct3D));
    if (!device->MakeDevice()) return nullptr;
    return device;
}

Direct3DCanvasDevice::Direct3DCanvasDevice(HWND window, IDirect3D9* direct3D)
    : WindowsCanvasDevice(60), window_(window), direct3D_(direct3D) {}

Direct3DCanvasDevice::~Direct3DCanvasDevice() {
    DropTextures();
    Release(device_);
    Release(direct3D_);
}

D3DPRESENT_PARAMETERS Direct3DCanvasDevice::PresentParameters() const {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.BackBufferFormat = backBufferFormat_;
    parameters.BackBufferWidth = 0;  // the client area's size
    parameters.BackBufferHeight = 0;
    parameters.hDeviceWindow = window_;
    // Each present waits for the display's vertical retrace.
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return parameters;
}

bool Direct3DCanvasDevice::MakeDevice() {
    D3DDISPLAYMODE mode{};
    if (SUCCEEDED(direct3D_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        backBufferFormat_ = mode.Format;
        SetRefreshHz(mode.RefreshRate);
    }
    D3DPRESENT_PARAMETERS parameters = PresentParameters();
    // The drill's arithmetic must not lose precision to the device's
    // preferred floating-point mode.
    for (DWORD processing : {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_SOFTWARE_VERTEXPROCESSING}) {
        if (SUCCEEDED(direct3D_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                                              processing | D3DCREATE_FPU_PRESERVE, &parameters, &device_)))
            break;
        device_ = nullptr;
    }
    if (!device_) return false;
    NoteBackBufferSize();
    SetDrawingStates();
    return true;
}

void Direct3DCanvasDevice::NoteBackBufferSize() {
    IDirect3DSurface9* buffer = nullptr;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &buffer)) && SUCCEEDED(buffer->GetDesc(&desc))) {
        backBufferWidth_ = static_cast<int>(desc.Width);
        backBufferHeight_ = static_cast<int>(desc.Height);
    }
    Release(buffer);
}

void Direct3DCanvasDevice::SetDrawingStates() {
    device_->SetFVF(kVertexFormat);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    // Texel times vertex colour, alpha too: the colour tints and fades.
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    // Cells and text are drawn unscaled: texel for pixel, no blurring.
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

void Direct3DCanvasDevice::DropTextures() {
    for (auto& [picture, texture] : textures_) Release(texture.texture);
    textures_.clear();
    DropTexts();
}

void Direct3DCanvasDevice::DropTexts() {
    for (auto& [key, text] : texts_) Release(text.texture);
    texts_.clear();
}

void Direct3DCanvasDevice::ReleaseFont(CanvasFontObject* font) {
    if (!font) return;
    // The texts laid out in it go too: a later font may be made at its
    // address. Fonts are released rarely (a change of scale).
    DropTexts();
    objects_.ReleaseFont(font);
}

void Direct3DCanvasDevice::ReleaseTexture(CanvasTextureObject* texture) {
    if (auto made = textures_.find(texture); made != textures_.end()) {
        Release(made->second.texture);
        textures_.erase(made);
    }
    objects_.ReleaseTexture(texture);
}

bool Direct3DCanvasDevice::ClientSizeChanged() const {
    RECT client{};
    if (!::GetClientRect(window_, &client)) return false;
    return client.right - client.left != backBufferWidth_ || client.bottom - client.top != backBufferHeight_;
}

DeviceStatus Direct3DCanvasDevice::TestCooperativeLevel() {
    if (!device_) return DeviceStatus::Lost;
    const HRESULT level = device_->TestCooperativeLevel();
    if (level == D3DERR_DEVICELOST) return DeviceStatus::Lost;
    if (level == D3DERR_DEVICENOTRESET || lost_) return DeviceStatus::NotReset;
    // A resized window keeps its old back buffer stretched over it.
    if (ClientSizeChanged()) return DeviceStatus::NotReset;
    return DeviceStatus::Ok;
}

bool Direct3DCanvasDevice::Reset() {
    if (!device_) return false;
    EndScene();
    RECT client{};
    if (!::GetClientRect(window_, &client) || client.right <= client.left || client.bottom <= client.top)
        return false;  // nothing to draw on yet
    DropTextures();
    D3DPRESENT_PARAMETERS parameters = PresentParameters();
    if (FAILED(device_->Reset(&parameters))) return false;
    NoteBackBufferSize();
    SetDrawingStates();
    lost_ = false;
    return true;
}

void Direct3DCanvasDevice::Clear(Argb colour) {
    if (!device_) return;
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
}

void Direct3DCanvasDevice::BeginScene() {
    if (inScene_ || !device_) return;
    inScene_ = SUCCEEDED(device_->BeginScene());
}

void Direct3DCanvasDevice::EndScene() {
    inSprite_ = false;
    if (inScene_) device_->EndScene();
    inScene_ = false;
}

CanvasFontObject* Direct3DCanvasDevice::CreateFont(int height, int width, int weight, const char* face) {
    return objects_.CreateFont(height, width, weight, face);
}

const Direct3DCanvasDevice::CachedText& Direct3DCanvasDevice::Text(CanvasFontObject* font, const std::wstring& text,
                                                                   int width, int height, unsigned format) {
    TextLayoutKey layout = KeyOfLayout(font, text, width, height, format);
    if (auto found = texts_.find(layout.key); found != texts_.end()) return found->second;
    if (texts_.size() >= kTextCacheCapacity) DropTexts();  // a new list: start over

    const TextCoverage coverage = LayOutText(font->font, text, layout.width, layout.height, format);
    CachedText cached;
    cached.textHeight = coverage.textHeight;
    if (coverage.width > 0) {
        // White, its coverage as alpha; the vertex colour gives the colour.
        cached.texture = MakeTexture(device_, coverage.width, coverage.height, [&](int x, int y) {
            return (std::uint32_t{coverage.alpha[static_cast<std::size_t>(y) * coverage.width + x]} << 24) |
                   0x00FFFFFFu;
        });
        cached.width = coverage.width;
        cached.height = coverage.height;
        cached.textureWidth = TextureSide(coverage.width);
        cached.textureHeight = TextureSide(coverage.height);
        cached.offsetX = coverage.offsetX;
        cached.offsetY = coverage.offsetY;
    }
    return texts_.emplace(std::move(layout.key), cached).first->second;
}

int Direct3DCanvasDevice::DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect,
                                   unsigned format, Argb colour) {
    if (!font || !text || !inScene_ || length < -1) return 0;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return 0;
    const CachedText& laidOut = Text(font, WideCanvasText(text, length, format), width, height, format);
    if (!laidOut.texture) return laidOut.textHeight;

    // Clipped to the rectangle, and to the back buffer, which the scissor
    // rectangle may not exceed.
    RECT clip{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, backBufferWidth_),
              std::min(rect.bottom, backBufferHeight_)};
    if (clip.right <= clip.left || clip.bottom <= clip.top) return laidOut.textHeight;
    device_->SetScissorRect(&clip);
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    const RECT source{0, 0, laidOut.width, laidOut.height};
    DrawQuad(laidOut.texture, laidOut.textureWidth, laidOut.textureHeight, source,
             static_cast<float>(rect.left + laidOut.offsetX), static_cast<float>(rect.top + laidOut.offsetY), colour);
    device_->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    return laidOut.textHeight;
}

int Direct3DCanvasDevice::TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
    return font ? TextAdvance(font->font, WideCanvasText(text, length, format)) : 0;
}

CanvasTextureObject* Direct3DCanvasDevice::CreateTextureFromFile(const char* path, int width, int height,
                                                                 Argb colourKey) {
    return objects_.CreateTextureFromFile(path, width, height, colourKey);
}

const Direct3DCanvasDevice::DeviceTexture& Direct3DCanvasDevice::TextureOf(const CanvasTextureObject* picture) {
    if (auto found = textures_.find(picture); found != textures_.end()) return found->second;
    const Pixels& pixels = picture->pixels;
    DeviceTexture made;
    made.texture = MakeTexture(device_, pixels.width, pixels.height, [&](int x, int y) {
        return pixels.argb[static_cast<std::size_t>(y) * pixels.width + x];
    });
    made.textureWidth = TextureSide(pixels.width);
    made.textureHeight = TextureSide(pixels.height);
    return textures_.emplace(picture, made).first->second;
}

void Direct3DCanvasDevice::SpriteBegin() { inSprite_ = inScene_; }

void Direct3DCanvasDevice::SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y,
                                      Argb colour) {
    if (!inSprite_ || !texture || texture->pixels.Empty()) return;
    const RECT cell{std::max(source.left, 0), std::max(source.top, 0), std::min(source.right, texture->pixels.width),
                    std::min(source.bottom, texture->pixels.height)};
    if (cell.right <= cell.left || cell.bottom <= cell.top) return;
    const DeviceTexture& made = TextureOf(texture);
    if (!made.texture) return;
    // Whole pixels: an unscaled cell must not be resampled.
    DrawQuad(made.texture, made.textureWidth, made.textureHeight, cell, std::round(x), std::round(y), colour);
}

void Direct3DCanvasDevice::SpriteEnd() { inSprite_ = false; }

void Direct3DCanvasDevice::DrawQuad(IDirect3DTexture9* texture, int textureWidth, int textureHeight,
                                    const RECT& source, float x, float y, Argb colour) {
    const float width = static_cast<float>(source.right - source.left);
    const float height = static_cast<float>(source.bottom - source.top);
    const float u0 = static_cast<float>(source.left) / textureWidth, u1 = static_cast<float>(source.right) / textureWidth;
    const float v0 = static_cast<float>(source.top) / textureHeight, v1 = static_cast<float>(source.bottom) / textureHeight;
    // Half a pixel back: Direct3D 9 samples pixel centres at whole
    // coordinates, so this maps each texel onto exactly one pixel.
    const float left = x - 0.5f, top = y - 0.5f;
    const Vertex quad[4] = {{left, top, 0, 1, colour, u0, v0},
                            {left + width, top, 0, 1, colour, u1, v0},
                            {left, top + height, 0, 1, colour, u0, v1},
                            {left + width, top + height, 0, 1, colour, u1, v1}};
    device_->SetTexture(0, texture);
    device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    device_->SetTexture(0, nullptr);
}

CanvasFrame Direct3DCanvasDevice::ReadBackBuffer() {
    CanvasFrame frame;
    if (!device_) return frame;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(device_->GetRenderTarget(0, &target)) && SUCCEEDED(target->GetDesc(&desc)) &&
        (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
        SUCCEEDED(device_->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                       &copy, nullptr)) &&
        SUCCEEDED(device_->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            frame.width = static_cast<int>(desc.Width);
            frame.height = static_cast<int>(desc.Height);
            frame.rgb.resize(static_cast<std::size_t>(frame.width) * frame.height);
            for (int y = 0; y < frame.height; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(locked.pBits) +
                                                                         y * locked.Pitch);
                for (int x = 0; x < frame.width; ++x)
                    frame.rgb[static_cast<std::size_t>(y) * frame.width + x] = row[x] & 0x00FFFFFFu;
            }
            copy->UnlockRect();
        }
    }
    Release(copy);
    Release(target);
    return frame;
}

DeviceStatus Direct3DCanvasDevice::Present() {
    if (!device_) return DeviceStatus::Lost;
    EndScene();
    CanvasFrame shown;
    if (KeepingFrames()) shown = ReadBackBuffer();
    const bool ok = SUCCEEDED(device_->Present(nullptr, nullptr, nullptr, nullptr));
    if (!ok) lost_ = true;
    NotePresented(ok, std::move(shown));
    return ok ? DeviceStatus::Ok : DeviceStatus::Lost;
}

}  // namespace plat::win32
