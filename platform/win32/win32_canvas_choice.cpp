#include "platform/win32/win32_canvas_choice.h"

#include "platform/win32/win32_direct3d_canvas.h"
#include "platform/win32/win32_gdi_canvas.h"

namespace plat::win32 {

ChosenCanvasDevice::ChosenCanvasDevice(HWND window, std::vector<Maker> makers,
                                       std::function<Clock::time_point()> now)
    : window_(window), makers_(std::move(makers)), now_(std::move(now)) {
    MakeDevice();
}

std::unique_ptr<ChosenCanvasDevice> ChosenCanvasDevice::Create(HWND window) {
    auto device = std::make_unique<ChosenCanvasDevice>(
        window, std::vector<Maker>{[](HWND w) -> std::unique_ptr<WindowsCanvasDevice> { return Direct3DCanvasDevice::Create(w); },
                                   [](HWND w) -> std::unique_ptr<WindowsCanvasDevice> { return GdiCanvasDevice::Create(w); }});
    if (!device->HasDevice()) return nullptr;
    return device;
}

void ChosenCanvasDevice::MakeDevice() {
    // The old device goes first: Direct3D may refuse a second device on the
    // window while the first one holds it.
    current_.reset();
    for (const Maker& make : makers_)
        if ((current_ = make(window_))) break;
    kind_ = current_ ? static_cast<int>(current_->DeviceKind()) : -1;
}

DeviceStatus ChosenCanvasDevice::TestCooperativeLevel() {
    return current_ ? current_->TestCooperativeLevel() : DeviceStatus::NotReset;
}

bool ChosenCanvasDevice::Reset() {
    if (current_ && current_->Reset()) {
        failingSince_.reset();
        return true;
    }
    // A canvas with no area yet has nothing to reset to; that is no failure.
    RECT client{};
    if (::GetClientRect(window_, &client) && (client.right <= 0 || client.bottom <= 0)) return false;
    const Clock::time_point now = now_();
    if (!failingSince_) failingSince_ = now;
    if (current_ && now - *failingSince_ < kGiveUpResetsAfter) return false;
    failingSince_.reset();
    MakeDevice();
    return current_ && current_->TestCooperativeLevel() == DeviceStatus::Ok;
}

void ChosenCanvasDevice::Clear(Argb colour) {
    if (current_) current_->Clear(colour);
}
void ChosenCanvasDevice::BeginScene() {
    if (current_) current_->BeginScene();
}
void ChosenCanvasDevice::EndScene() {
    if (current_) current_->EndScene();
}

CanvasFontObject* ChosenCanvasDevice::CreateFont(int height, int width, int weight, const char* face) {
    return objects_.CreateFont(height, width, weight, face);
}

// The device drawing now forgets what it made from the object; then the object goes.
void ChosenCanvasDevice::ReleaseFont(CanvasFontObject* font) {
    if (current_) current_->ReleaseFont(font);
    objects_.ReleaseFont(font);
}

void ChosenCanvasDevice::ReleaseTexture(CanvasTextureObject* texture) {
    if (current_) current_->ReleaseTexture(texture);
    objects_.ReleaseTexture(texture);
}

int ChosenCanvasDevice::DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect,
                                 unsigned format, Argb colour) {
    return current_ ? current_->DrawText(font, text, length, rect, format, colour) : 0;
}

int ChosenCanvasDevice::TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
    return current_ ? current_->TextWidth(font, text, length, format) : 0;
}

CanvasTextureObject* ChosenCanvasDevice::CreateTextureFromFile(const char* path, int width, int height,
                                                               Argb colourKey) {
    return objects_.CreateTextureFromFile(path, width, height, colourKey);
}

void ChosenCanvasDevice::SpriteBegin() {
    if (current_) current_->SpriteBegin();
}
void ChosenCanvasDevice::SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y,
                                    Argb colour) {
    if (current_) current_->SpriteDraw(texture, source, x, y, colour);
}
void ChosenCanvasDevice::SpriteEnd() {
    if (current_) current_->SpriteEnd();
}

DeviceStatus ChosenCanvasDevice::Present() {
    if (!current_) return DeviceStatus::Lost;
    current_->KeepFrames(keepFrames_);
    const DeviceStatus status = current_->Present();
    if (status == DeviceStatus::Ok && keepFrames_) {
        CanvasFrame frame = current_->LastFrame();
        std::lock_guard lock(lastFrameMutex_);
        lastFrame_ = std::move(frame);
    }
    return status;
}

void ChosenCanvasDevice::KeepFrame() {
    if (current_) current_->KeepFrame();
}

// Without a device, frames keep the pace of a 60 Hz display.
void ChosenCanvasDevice::WaitForRefresh() {
    if (current_)
        current_->WaitForRefresh();
    else
        CanvasDevice::WaitForRefresh();
}
CanvasDevice::RefreshClock::time_point ChosenCanvasDevice::RefreshAfter(RefreshClock::time_point moment) {
    return current_ ? current_->RefreshAfter(moment) : CanvasDevice::RefreshAfter(moment);
}
CanvasDevice::RefreshClock::duration ChosenCanvasDevice::RefreshPeriod() const {
    return current_ ? current_->RefreshPeriod() : CanvasDevice::RefreshPeriod();
}

void ChosenCanvasDevice::KeepFrames(bool keep) { keepFrames_ = keep; }

CanvasFrame ChosenCanvasDevice::LastFrame() const {
    std::lock_guard lock(lastFrameMutex_);
    return lastFrame_;
}

std::optional<WindowsCanvasDevice::Kind> ChosenCanvasDevice::CurrentKind() const {
    const int kind = kind_;
    if (kind < 0) return std::nullopt;
    return static_cast<WindowsCanvasDevice::Kind>(kind);
}

}  // namespace plat::win32
