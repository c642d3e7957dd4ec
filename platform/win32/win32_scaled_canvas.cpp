#include "platform/win32/win32_scaled_canvas.h"

#include <algorithm>
#include <utility>

#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_handles.h"

namespace plat::win32 {

// The renderer's handles stand for the objects below: each knows what was
// asked in 96-DPI pixels and holds the real device's object at the current
// scale.
struct ScaledCanvasDevice::Font {
    int height, width, weight;
    std::string face;
    CanvasFontObject* made = nullptr;
};

struct ScaledCanvasDevice::Texture {
    std::string path;
    int width, height;
    Argb colourKey;
    CanvasTextureObject* made = nullptr;
};

namespace {

template <class Handle, class Object>
Handle* HandleOf(Object* object) {
    return reinterpret_cast<Handle*>(object);
}
template <class Object, class Handle>
Object* ObjectOf(Handle* handle) {
    return reinterpret_cast<Object*>(handle);
}

Rect Scaled(const Rect& r, unsigned dpi) {
    const RECT scaled = ScaleRect(RECT{r.left, r.top, r.right, r.bottom}, dpi);
    return {scaled.left, scaled.top, scaled.right, scaled.bottom};
}

}  // namespace

ScaledCanvasDevice::ScaledCanvasDevice(CanvasDevice* device, std::function<unsigned()> dpi)
    : device_(device), dpiOfCanvas_(std::move(dpi)), dpi_(dpiOfCanvas_()) {}

ScaledCanvasDevice::~ScaledCanvasDevice() = default;

DeviceStatus ScaledCanvasDevice::TestCooperativeLevel() {
    const DeviceStatus status = device_->TestCooperativeLevel();
    if (status == DeviceStatus::Ok && dpiOfCanvas_() != dpi_) return DeviceStatus::NotReset;
    return status;
}

bool ScaledCanvasDevice::Reset() {
    const unsigned dpi = dpiOfCanvas_();
    if (!device_->Reset()) return false;
    // Fonts outlive a reset; at a new scale they are made anew. Textures
    // are made again after any reset, this device's at the current scale.
    const bool rescaled = dpi != dpi_;
    dpi_ = dpi;
    if (rescaled) {
        // What the device made at the old scale is given back, not kept
        // for the life of the program: a learner moving the window between
        // monitors would otherwise use up the process's GDI handles.
        for (auto& font : fonts_) {
            device_->ReleaseFont(std::exchange(font->made, nullptr));
            MakeFont(*font);
        }
        for (auto& texture : textures_) device_->ReleaseTexture(std::exchange(texture->made, nullptr));
    }
    return true;
}

void ScaledCanvasDevice::MakeFont(Font& font) {
    font.made = device_->CreateFont(ScaleToDpi(font.height, dpi_), ScaleToDpi(font.width, dpi_), font.weight,
                                    font.face.c_str());
}

void ScaledCanvasDevice::MakeTexture(Texture& texture) {
    texture.made = device_->CreateTextureFromFile(texture.path.c_str(), ScaleToDpi(texture.width, dpi_),
                                                  ScaleToDpi(texture.height, dpi_), texture.colourKey);
}

CanvasFontObject* ScaledCanvasDevice::CreateFont(int height, int width, int weight, const char* face) {
    auto font = std::make_unique<Font>();
    font->height = height;
    font->width = width;
    font->weight = weight;
    font->face = face ? face : "";
    MakeFont(*font);
    if (!font->made) return nullptr;
    fonts_.push_back(std::move(font));
    return HandleOf<CanvasFontObject>(fonts_.back().get());
}

int ScaledCanvasDevice::DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect,
                                 unsigned format, Argb colour) {
    if (!font) return 0;
    const int height = device_->DrawText(ObjectOf<Font>(font)->made, text, length, Scaled(rect, dpi_), format, colour);
    return dpi_ == kBaseDpi ? height : ::MulDiv(height, static_cast<int>(kBaseDpi), static_cast<int>(dpi_));
}

int ScaledCanvasDevice::TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
    if (!font) return 0;
    const int width = device_->TextWidth(ObjectOf<Font>(font)->made, text, length, format);
    return dpi_ == kBaseDpi ? width : ::MulDiv(width, static_cast<int>(kBaseDpi), static_cast<int>(dpi_));
}

CanvasTextureObject* ScaledCanvasDevice::CreateTextureFromFile(const char* path, int width, int height,
                                                               Argb colourKey) {
    if (!path) return nullptr;
    auto texture = std::make_unique<Texture>();
    texture->path = path;
    texture->width = width;
    texture->height = height;
    texture->colourKey = colourKey;
    MakeTexture(*texture);
    if (!texture->made) return nullptr;
    textures_.push_back(std::move(texture));
    return HandleOf<CanvasTextureObject>(textures_.back().get());
}

void ScaledCanvasDevice::ReleaseFont(CanvasFontObject* font) {
    auto own = std::find_if(fonts_.begin(), fonts_.end(), [&](const auto& f) { return f.get() == ObjectOf<Font>(font); });
    if (own == fonts_.end()) return;
    device_->ReleaseFont((*own)->made);
    fonts_.erase(own);
}

void ScaledCanvasDevice::ReleaseTexture(CanvasTextureObject* texture) {
    auto own = std::find_if(textures_.begin(), textures_.end(),
                            [&](const auto& t) { return t.get() == ObjectOf<Texture>(texture); });
    if (own == textures_.end()) return;
    device_->ReleaseTexture((*own)->made);
    textures_.erase(own);
}

void ScaledCanvasDevice::SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y,
                                    Argb colour) {
    auto* scaled = ObjectOf<Texture>(texture);
    if (!scaled) return;
    // A texture from before a change of scale is made again at the new one.
    if (!scaled->made) MakeTexture(*scaled);
    // The strip is resampled as a whole; a cell's edges round to whole
    // pixels of the scaled strip.
    device_->SpriteDraw(scaled->made, Scaled(source, dpi_), ScaleToDpi(x, dpi_), ScaleToDpi(y, dpi_), colour);
}

CanvasDevice* ScaledCanvasService::CreateDevice(Window window) {
    CanvasDevice* device = canvas_.CreateDevice(window);
    if (!device) return nullptr;
    HWND canvas = Hwnd(window);
    // Never deleted, like the device it stands in front of.
    return new ScaledCanvasDevice(device, [canvas] { return LayoutDpi(canvas); });
}

}  // namespace plat::win32
