// A backend without a display. Message queues, timers, dialog items and the
// cross-thread rules are real; what a person would see or hear is recorded
// instead, and the modal dialogs are answered by hooks. Tests drive the
// drill through it.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/window_object.h"
#include "platform/platform.h"
#include "platform/posix/posix_process.h"

namespace plat {

// Thrown by the headless Exit so a test can see the program ending.
struct ExitCalled {
    int status;
};

class HeadlessWindowSystem final : public WindowSystem {
public:
    bool RegisterClass(const WindowClass& windowClass) override;
    Window CreateWindow(const char* className, const char* title, std::uint32_t style, int x, int y, int width,
                        int height, Window parent) override;
    Window CreateDialog(const DialogTemplate& dialogTemplate, Window owner, DialogProc procedure,
                        LParam parameter) override;
    Window GetDlgItem(Window dialog, int controlId) override;
    bool ShowWindow(Window window, int command) override;
    LResult DefWindowProc(Window window, MessageId message, WParam wParam, LParam lParam) override;
    bool GetMessage(Message& message) override;
    bool PeekMessage(Message& message) override;
    void TranslateMessage(const Message& message) override;
    LResult DispatchMessage(const Message& message) override;
    void PostQuitMessage(int exitCode) override;
    bool PostMessage(Window window, MessageId message, WParam wParam, LParam lParam) override;
    bool SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs) override;
    bool KillTimer(Window window, std::uintptr_t timerId) override;
    std::int16_t GetKeyState(int virtualKey) override;
    bool TrackMouseEvent(Window window, unsigned flags, unsigned hoverTimeMs) override;
    unsigned GetDlgItemText(Window dialog, int controlId, char* buffer, int bufferSize) override;
    bool SetDlgItemText(Window dialog, int controlId, const char* text) override;
    bool SetScrollRange(Window scrollBar, int bar, int minimum, int maximum, bool redraw) override;
    int SetScrollPos(Window scrollBar, int bar, int position, bool redraw) override;
    bool InvalidateRect(Window window, bool erase) override;
    PaintContext BeginPaint(Window window) override;
    void EndPaint(Window window, PaintContext context) override;
    int MessageBox(Window owner, const char* text, const char* caption, unsigned type) override;
    bool GetOpenFileName(OpenFileRequest& request) override;

    // --- For tests ---------------------------------------------------------
    struct MessageBoxCall {
        Window owner;
        std::string text, caption;
        unsigned type;
    };
    // Answers message boxes (default: Cancel). Runs on the calling thread,
    // inside the box's "modal loop": requests sent to it are served first.
    std::function<int(const MessageBoxCall&)> messageBoxAnswer;
    // Answers the open-file dialog (default: cancelled).
    std::function<bool(OpenFileRequest&)> openFileAnswer;
    // Keys held down, for GetKeyState.
    void SetKeyDown(int virtualKey, bool down);

    std::vector<MessageBoxCall> MessageBoxCalls();
    int InvalidateCount(Window window);
    int SetDlgItemTextCount();
    std::vector<Window> Windows();
    Window FindWindowByClass(const std::string& className);
    std::string ControlText(Window dialog, int controlId);
    void SetControlText(Window dialog, int controlId, const std::string& gbk);
    int ScrollPos(Window scrollBar);

private:
    std::mutex mutex_;
    std::map<std::string, WindowClass> classes_;
    std::vector<Window> windows_;
    std::vector<MessageBoxCall> boxes_;
    std::map<Window, int> invalidations_;
    int setTextCount_ = 0;
    std::map<int, bool> keys_;
};

class HeadlessImaging final : public Imaging {
public:
    bool Startup() override { return true; }
    Image LoadImage(const char*) override { return nullptr; }
    unsigned ImageWidth(Image) override { return 0; }
    unsigned ImageHeight(Image) override { return 0; }
    void DrawImage(PaintContext, Image, int, int, int, int) override {}
    void GetImageEncodersSize(unsigned* count, unsigned* bytes) override;
    void GetImageEncoders(unsigned, unsigned, ImageCodecInfo*) override {}
    bool SaveImage(Image, const char*, const Guid&) override { return false; }
    Bitmap LoadBitmapFile(const char*) override { return nullptr; }
    Brush CreatePatternBrush(Bitmap) override { return nullptr; }
    Brush CreateSolidBrush(ColourRef) override { return nullptr; }
};

class HeadlessSound final : public Sound {
public:
    bool PlaySoundAsync(const char* path) override;
    std::vector<std::string> Played();
    void Clear();

private:
    std::mutex mutex_;
    std::vector<std::string> played_;
};

class HeadlessProcess final : public Process {
public:
    void CreateThread(void (*entry)()) override { real_.CreateThread(entry); }
    void Sleep(unsigned milliseconds) override;
    std::uint32_t GetTickCount() override;
    unsigned GetCurrentDirectory(unsigned size, char* buffer) override { return real_.GetCurrentDirectory(size, buffer); }
    bool SetCurrentDirectory(const char* path) override { return real_.SetCurrentDirectory(path); }
    [[noreturn]] void Exit(int status) override { throw ExitCalled{status}; }

    // A fixed tick count (nullopt: the real clock). Sleep then does not sleep.
    void SetFixedTime(std::optional<std::uint32_t> ticks);

private:
    PosixProcess real_;
    std::mutex mutex_;
    std::optional<std::uint32_t> fixed_;
};

// All four at once, installed on construction and removed on destruction.
struct HeadlessBackend {
    HeadlessWindowSystem windows;
    HeadlessImaging imaging;
    HeadlessSound sound;
    HeadlessProcess process;
    Services previous;

    HeadlessBackend();
    ~HeadlessBackend();
    HeadlessBackend(const HeadlessBackend&) = delete;
    HeadlessBackend& operator=(const HeadlessBackend&) = delete;
};

}  // namespace plat
