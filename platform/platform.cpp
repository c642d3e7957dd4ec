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

bool RegisterClass(const WindowClass& c) { KESTRAN_FORWARD(windows, RegisterClass(c), false); }
Window CreateWindow(const char* cls, const char* title, std::uint32_t style, int x, int y, int w, int h,
                    Window parent) {
    KESTRAN_FORWARD(windows, CreateWindow(cls, title, style, x, y, w, h, parent), nullptr);
}
Window CreateDialog(const DialogTemplate& t, Window owner, DialogProc proc, LParam p) {
    KESTRAN_FORWARD(windows, CreateDialog(t, owner, proc, p), nullptr);
}
Window GetDlgItem(Window d, int id) { KESTRAN_FORWARD(windows, GetDlgItem(d, id), nullptr); }
bool ShowWindow(Window w, int cmd) { KESTRAN_FORWARD(windows, ShowWindow(w, cmd), false); }
LResult DefWindowProc(Window w, MessageId m, WParam wp, LParam lp) {
    KESTRAN_FORWARD(windows, DefWindowProc(w, m, wp, lp), 0);
}
bool GetMessage(Message& m) {
    if (gServices.windows) return gServices.windows->GetMessage(m);
    m = Message{nullptr, WM_QUIT, 0, 0};
    return false;
}
bool PeekMessage(Message& m) { KESTRAN_FORWARD(windows, PeekMessage(m), false); }
void TranslateMessage(const Message& m) {
    if (gServices.windows) gServices.windows->TranslateMessage(m);
}
LResult DispatchMessage(const Message& m) { KESTRAN_FORWARD(windows, DispatchMessage(m), 0); }
void PostQuitMessage(int code) {
    if (gServices.windows) gServices.windows->PostQuitMessage(code);
}
bool PostMessage(Window w, MessageId m, WParam wp, LParam lp) {
    KESTRAN_FORWARD(windows, PostMessage(w, m, wp, lp), false);
}
bool SetTimer(Window w, std::uintptr_t id, unsigned ms) { KESTRAN_FORWARD(windows, SetTimer(w, id, ms), false); }
bool KillTimer(Window w, std::uintptr_t id) { KESTRAN_FORWARD(windows, KillTimer(w, id), false); }
std::int16_t GetKeyState(int vk) { KESTRAN_FORWARD(windows, GetKeyState(vk), 0); }
bool TrackMouseEvent(Window w, unsigned flags, unsigned hover) {
    KESTRAN_FORWARD(windows, TrackMouseEvent(w, flags, hover), false);
}
unsigned GetDlgItemText(Window d, int id, char* buffer, int size) {
    if (gServices.windows) return gServices.windows->GetDlgItemText(d, id, buffer, size);
    if (buffer && size > 0) buffer[0] = '\0';
    return 0;
}
bool SetDlgItemText(Window d, int id, const char* text) { KESTRAN_FORWARD(windows, SetDlgItemText(d, id, text), false); }
bool SetScrollRange(Window s, int bar, int lo, int hi, bool redraw) {
    KESTRAN_FORWARD(windows, SetScrollRange(s, bar, lo, hi, redraw), false);
}
int SetScrollPos(Window s, int bar, int pos, bool redraw) { KESTRAN_FORWARD(windows, SetScrollPos(s, bar, pos, redraw), 0); }
bool InvalidateRect(Window w, bool erase) { KESTRAN_FORWARD(windows, InvalidateRect(w, erase), false); }
PaintContext BeginPaint(Window w) { KESTRAN_FORWARD(windows, BeginPaint(w), nullptr); }
void EndPaint(Window w, PaintContext c) {
    if (gServices.windows) gServices.windows->EndPaint(w, c);
}
int MessageBox(Window owner, const char* text, const char* caption, unsigned type) {
    KESTRAN_FORWARD(windows, MessageBox(owner, text, caption, type), 0);
}
bool GetOpenFileName(OpenFileRequest& r) { KESTRAN_FORWARD(windows, GetOpenFileName(r), false); }

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

void CanvasDevice::WaitForRefresh() { std::this_thread::sleep_for(std::chrono::microseconds(16667)); }

CanvasDevice* CreateCanvasDevice(Window w) { KESTRAN_FORWARD(canvas, CreateDevice(w), nullptr); }

bool PlaySoundAsync(const char* path) { KESTRAN_FORWARD(sound, PlaySoundAsync(path), false); }

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
