#include "platform/win32/win32_gdi_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/win32/wide_text.h"

namespace plat::win32 {
namespace {

constexpr std::size_t kTextCacheCapacity = 128;

// A channel of a texel times a colour, blended over the buffer's by alpha
// `a` (0..1): the arithmetic of a textured quad with colour modulation and
// alpha blending, rounded to the nearest step as graphics hardware does.
int BlendChannel(int texel, int colour, int buffer, float a) {
    const float source = (texel / 255.0f) * (colour / 255.0f);
    const float out = source * a + (buffer / 255.0f) * (1.0f - a);
    return std::clamp(static_cast<int>(std::lround(out * 255.0f)), 0, 255);
}

}  // namespace

std::unique_ptr<GdiCanvasDevice> GdiCanvasDevice::Create(HWND window) {
    if (!window) return nullptr;
    std::unique_ptr<GdiCanvasDevice> device(new GdiCanvasDevice(window));
    device->MakeBuffer();  // an empty client area gets its buffer at the first reset
    return device;
}

GdiCanvasDevice::GdiCanvasDevice(HWND window) : WindowsCanvasDevice(DisplayRefreshHz()), window_(window) {}

GdiCanvasDevice::~GdiCanvasDevice() { DropBuffer(); }

bool GdiCanvasDevice::MakeBuffer() {
    DropBuffer();
    RECT client{};
    if (!::GetClientRect(window_, &client) || client.right <= 0 || client.bottom <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = dc_ ? ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap_) {
        DropBuffer();
        return false;
    }
    previous_ = ::SelectObject(dc_, bitmap_);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = client.right;
    height_ = client.bottom;
    std::fill(bits_, bits_ + static_cast<std::size_t>(width_) * height_, 0u);
    return true;
}

void GdiCanvasDevice::DropBuffer() {
    if (bitmap_) {
        ::SelectObject(dc_, previous_);
        ::DeleteObject(bitmap_);
    }
    if (dc_) ::DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    inScene_ = inSprite_ = false;
}

DeviceStatus GdiCanvasDevice::TestCooperativeLevel() {
    if (!bits_ || lost_) return DeviceStatus::NotReset;
    RECT client{};
    if (::GetClientRect(window_, &client) && (client.right != width_ || client.bottom != height_))
        return DeviceStatus::NotReset;
    return DeviceStatus::Ok;
}

bool GdiCanvasDevice::Reset() {
    if (!MakeBuffer()) return false;  // nothing to draw on yet
    lost_ = false;
    return true;
}

void GdiCanvasDevice::Clear(Argb colour) {
    if (bits_) std::fill(bits_, bits_ + static_cast<std::size_t>(width_) * height_, colour & 0x00FFFFFFu);
}

CanvasFontObject* GdiCanvasDevice::CreateFont(int height, int width, int weight, const char* face) {
    return objects_.CreateFont(height, width, weight, face);
}

CanvasTextureObject* GdiCanvasDevice::CreateTextureFromFile(const char* path, int width, int height,
                                                            Argb colourKey) {
    return objects_.CreateTextureFromFile(path, width, height, colourKey);
}

void GdiCanvasDevice::ReleaseFont(CanvasFontObject* font) {
    if (!font) return;
    // The texts laid out in it go too: a later font may be made at its address.
    texts_.clear();
    objects_.ReleaseFont(font);
}

const TextCoverage& GdiCanvasDevice::Text(CanvasFontObject* font, const std::wstring& text, int width, int height,
                                          unsigned format) {
    TextLayoutKey layout = KeyOfLayout(font, text, width, height, format);
    if (auto found = texts_.find(layout.key); found != texts_.end()) return found->second;
    if (texts_.size() >= kTextCacheCapacity) texts_.clear();  // a new list: start over
    TextCoverage coverage = LayOutText(font->font, text, layout.width, layout.height, format);
    return texts_.emplace(std::move(layout.key), std::move(coverage)).first->second;
}

template <class Texel>
void GdiCanvasDevice::Blend(int left, int top, int width, int height, const RECT& clip, Argb colour, Texel texel) {
    const int fromX = std::max<int>(left, clip.left), toX = std::min<int>(left + width, clip.right);
    const int fromY = std::max<int>(top, clip.top), toY = std::min<int>(top + height, clip.bottom);
    const int cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF, cb = colour & 0xFF;
    const float ca = (colour >> 24) / 255.0f;
    for (int y = fromY; y < toY; ++y) {
        std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * width_;
        for (int x = fromX; x < toX; ++x) {
            const std::uint32_t t = texel(x - left, y - top);
            const float a = (t >> 24) / 255.0f * ca;
            if (a <= 0.0f) continue;
            const std::uint32_t d = row[x];
            row[x] = static_cast<std::uint32_t>(BlendChannel((t >> 16) & 0xFF, cr, (d >> 16) & 0xFF, a)) << 16 |
                     static_cast<std::uint32_t>(BlendChannel((t >> 8) & 0xFF, cg, (d >> 8) & 0xFF, a)) << 8 |
                     static_cast<std::uint32_t>(BlendChannel(t & 0xFF, cb, d & 0xFF, a));
        }
    }
}

int GdiCanvasDevice::DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect,
                              unsigned format, Argb colour) {
    if (!font || !text || !inScene_ || length < -1) return 0;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return 0;
    const TextCoverage& laidOut = Text(font, WideCanvasText(text, length, format), width, height, format);
    if (laidOut.width <= 0) return laidOut.textHeight;
    // Clipped to the rectangle and the buffer; white text, its coverage as
    // alpha, tinted by the colour.
    const RECT clip{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
                    std::min(rect.bottom, height_)};
    Blend(rect.left + laidOut.offsetX, rect.top + laidOut.offsetY, laidOut.width, laidOut.height, clip, colour,
          [&](int x, int y) {
              return std::uint32_t{laidOut.alpha[static_cast<std::size_t>(y) * laidOut.width + x]} << 24 |
                     0x00FFFFFFu;
          });
    return laidOut.textHeight;
}

int GdiCanvasDevice::TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
    return font ? TextAdvance(font->font, WideCanvasText(text, length, format)) : 0;
}

void GdiCanvasDevice::SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) {
    if (!inSprite_ || !texture || texture->pixels.Empty()) return;
    const Pixels& pixels = texture->pixels;
    const int cellLeft = std::max(source.left, 0), cellTop = std::max(source.top, 0);
    const int cellRight = std::min(source.right, pixels.width), cellBottom = std::min(source.bottom, pixels.height);
    if (cellRight <= cellLeft || cellBottom <= cellTop) return;
    const RECT whole{0, 0, width_, height_};
    // Whole pixels: an unscaled cell is not resampled.
    Blend(static_cast<int>(std::round(x)), static_cast<int>(std::round(y)), cellRight - cellLeft,
          cellBottom - cellTop, whole, colour, [&](int cx, int cy) {
              return pixels.argb[static_cast<std::size_t>(cellTop + cy) * pixels.width + cellLeft + cx];
          });
}

CanvasFrame GdiCanvasDevice::ReadBackBuffer() const {
    CanvasFrame frame;
    if (!bits_) return frame;
    frame.width = width_;
    frame.height = height_;
    frame.rgb.assign(bits_, bits_ + static_cast<std::size_t>(width_) * height_);
    return frame;
}

DeviceStatus GdiCanvasDevice::Present() {
    EndScene();
    if (!bits_) return DeviceStatus::Lost;
    ::GdiFlush();
    HDC window = ::GetDC(window_);
    const bool ok = window && ::BitBlt(window, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    if (window) ::ReleaseDC(window_, window);
    if (!ok) lost_ = true;
    NotePresented(ok, KeepingFrames() ? ReadBackBuffer() : CanvasFrame{});
    return ok ? DeviceStatus::Ok : DeviceStatus::Lost;
}

}  // namespace plat::win32
