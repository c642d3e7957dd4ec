// The window system on Qt Widgets.
//
// Every widget lives on the toolkit's thread, which is also the thread that
// runs the program's entry point and its message loop. A window created by
// another thread still belongs to that thread: its mouse input and timers
// become messages in that thread's queue and its procedure runs there. Key
// presses are held back from the toolkit, queued as key-down messages, and
// only reach the focused control when the message loop dispatches them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"

class QKeyEvent;
class QObject;

namespace plat::qt {

class QtWindowSystem final : public WindowSystem {
public:
    // Call on the toolkit's thread, after the application object exists.
    QtWindowSystem();
    ~QtWindowSystem() override;

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

    // The pixel size of a dialog unit box, as the dialog font gives it.
    struct DialogBaseUnits {
        int x = 0, y = 0;
    };
    static DialogBaseUnits BaseUnitsFor(const DialogTemplate& dialogTemplate);

    // Key events held back until dispatch (toolkit thread only).
    struct HeldKey;
    bool HoldKey(QObject* receiver, QKeyEvent* event);

private:
    void RunOnGuiThread(const std::function<void()>& work);

    std::mutex mutex_;
    std::map<std::string, WindowClass> classes_;
    std::map<std::uint32_t, std::unique_ptr<HeldKey>> heldKeys_;
    std::uint32_t nextKeyId_ = 1;
    QObject* keyFilter_ = nullptr;
    QObject* pump_ = nullptr;
};

// Dialog-unit conversion as the classic dialog manager does it.
inline int DialogUnitsToPixelsX(int units, int baseX) { return (units * baseX + 2) / 4; }
inline int DialogUnitsToPixelsY(int units, int baseY) { return (units * baseY + 4) / 8; }

}  // namespace plat::qt
