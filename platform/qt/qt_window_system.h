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
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"

class QKeyEvent;
class QObject;

namespace plat {
class ThreadQueue;
}

namespace plat::qt {

class QtWindowSystem final : public WindowSystem {
public:
    // Call on the toolkit's thread, after the application object exists.
    QtWindowSystem();
    ~QtWindowSystem() override;

    KESTRAN_WINDOW_CALLS(KESTRAN_DECLARE_OVERRIDE)

    // The pixel size of a dialog unit box, as the dialog font gives it.
    struct DialogBaseUnits {
        int x = 0, y = 0;
    };
    static DialogBaseUnits BaseUnitsFor(const DialogTemplate& dialogTemplate);

    // Key events held back until dispatch (toolkit thread only).
    struct HeldKey;
    bool HoldKey(QObject* receiver, QKeyEvent* event);
    void NoteKeyRetrieved(ThreadQueue& queue, const Message& message);

private:
    void RunOnGuiThread(const std::function<void()>& work);
    // The application-wide filter that hands key presses to HoldKey.
    static QObject* NewKeyFilter(QtWindowSystem* owner);

    std::mutex mutex_;
    std::map<std::string, WindowClass> classes_;
    // Per owner queue, the events of its key messages still queued, in order.
    std::map<ThreadQueue*, std::list<HeldKey>> heldKeys_;
    QObject* keyFilter_ = nullptr;
    QObject* pump_ = nullptr;
};

// Dialog-unit conversion as the classic dialog manager does it.
inline int DialogUnitsToPixelsX(int units, int baseX) { return (units * baseX + 2) / 4; }
inline int DialogUnitsToPixelsY(int units, int baseY) { return (units * baseY + 4) / 8; }

}  // namespace plat::qt
