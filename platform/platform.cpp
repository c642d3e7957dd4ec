#include "platform/platform.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace plat {
namespace {
Services gServices;
}

Services Install(const Services& services) {
    Services previous = gServices;
    gServices = services;
    return previous;
}

const Services& Installed() { return gServices; }

// A missing service answers like a failed call: nothing happens, 0 or null.
#define KESTRAN_FORWARD(service, call, fallback) \
    do {                                          \
        if (gServices.service) return gServices.service->call; \
        return fallback;                          \
    } while (0)

namespace {
// What GetMessage and GetDlgItemText answer without a window system.
bool NoWindowSystemQuit(Message& message) {
    message = Message{nullptr, WM_QUIT, 0, 0};
    return false;
}
bool NoWindowSystemSleepThenQuit(Message& message, unsigned sleepMs) {
    Sleep(sleepMs);
    return NoWindowSystemQuit(message);
}
bool NoWindowSystemWait(unsigned microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
    return false;
}
unsigned NoWindowSystemText(char* buffer, int bufferSize) {
    if (buffer && bufferSize > 0) buffer[0] = '\0';
    return 0;
}
}  // namespace

#define KESTRAN_FORWARD_CALL(result, name, params, args, fallback) \
    result name params {                                            \
        if (gServices.windows) return gServices.windows->name args; \
        return fallback;                                            \
    }
KESTRAN_WINDOW_CALLS(KESTRAN_FORWARD_CALL)
#undef KESTRAN_FORWARD_CALL

bool StartImaging() { KESTRAN_FORWARD(imaging, Startup(), false); }
Image LoadImage(const char* path) { KESTRAN_FORWARD(imaging, LoadImage(path), nullptr); }
unsigned ImageWidth(Image i) { KESTRAN_FORWARD(imaging, ImageWidth(i), 0u); }
unsigned ImageHeight(Image i) { KESTRAN_FORWARD(imaging, ImageHeight(i), 0u); }
void DrawImage(PaintContext c, Image i, int x, int y, int w, int h) {
    if (gServices.imaging) gServices.imaging->DrawImage(c, i, x, y, w, h);
}
void GetImageEncodersSize(unsigned* count, unsigned* bytes) {
    if (gServices.imaging) return gServices.imaging->GetImageEncodersSize(count, bytes);
    if (count) *count = 0;
    if (bytes) *bytes = 0;
}
void GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) {
    if (gServices.imaging) gServices.imaging->GetImageEncoders(count, bytes, encoders);
}
bool SaveImage(Image i, const char* path, const Guid& encoder) { KESTRAN_FORWARD(imaging, SaveImage(i, path, encoder), false); }
Bitmap LoadBitmapFile(const char* path) { KESTRAN_FORWARD(imaging, LoadBitmapFile(path), nullptr); }
Brush CreatePatternBrush(Bitmap b) { KESTRAN_FORWARD(imaging, CreatePatternBrush(b), nullptr); }
Brush CreateSolidBrush(ColourRef c) { KESTRAN_FORWARD(imaging, CreateSolidBrush(c), nullptr); }

void CanvasDevice::WaitForRefresh() { std::this_thread::sleep_for(RefreshPeriod()); }
CanvasDevice::RefreshClock::time_point CanvasDevice::RefreshAfter(RefreshClock::time_point moment) {
    return moment + RefreshPeriod();
}
CanvasDevice::RefreshClock::duration CanvasDevice::RefreshPeriod() const {
    return std::chrono::duration_cast<RefreshClock::duration>(std::chrono::microseconds(16667));
}

CanvasDevice* CreateCanvasDevice(Window w) { KESTRAN_FORWARD(canvas, CreateDevice(w), nullptr); }

bool PlaySoundAsync(const char* path) { KESTRAN_FORWARD(sound, PlaySoundAsync(path), false); }
bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) {
    KESTRAN_FORWARD(sound, PlaySpeechAsync(samples, count, rate), false);
}
bool SpeakWithSystemVoice(const char* word, VoiceAccent accent) {
    KESTRAN_FORWARD(sound, SpeakWithSystemVoice(word, accent), false);
}
// A backend without speech plays none.
bool Sound::PlaySpeechAsync(const std::int16_t*, std::size_t, int) { return false; }
bool Sound::SpeakWithSystemVoice(const char*, VoiceAccent) { return false; }

void CreateThread(void (*entry)()) {
    if (gServices.process) gServices.process->CreateThread(entry);
}
void Sleep(unsigned ms) {
    if (gServices.process) gServices.process->Sleep(ms);
}
std::uint32_t GetTickCount() { KESTRAN_FORWARD(process, GetTickCount(), 0u); }
unsigned GetCurrentDirectory(unsigned size, char* buffer) { KESTRAN_FORWARD(process, GetCurrentDirectory(size, buffer), 0u); }
bool SetCurrentDirectory(const char* path) { KESTRAN_FORWARD(process, SetCurrentDirectory(path), false); }
void Exit(int status) {
    if (gServices.process) gServices.process->Exit(status);
    std::_Exit(status);
}

#undef KESTRAN_FORWARD
}  // namespace plat
