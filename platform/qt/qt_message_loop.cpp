// The Qt window system's messages: each thread's queue, the toolkit's event
// loop on its own thread, and key presses held back from the toolkit until
// their key messages are dispatched.
#include "platform/qt/qt_window_system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>
#include <thread>
#include <utility>

#include "platform/core/thread_queue.h"
#include "platform/qt/qt_held_key.h"
#include "platform/qt/qt_widgets.h"

namespace plat::qt {

namespace {

int VirtualKeyOf(const QKeyEvent& e) {
    int key = e.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Menu: return VK_APPS;
        default: return 0;
    }
}

// Modifier state of the key message this thread retrieved last.
thread_local Qt::KeyboardModifiers tKeyModifiers;
thread_local int tLastKey = 0;
thread_local bool tHaveKey = false;

bool IsKeyMessage(MessageId m) { return m == WM_KEYDOWN || m == WM_SYSKEYDOWN; }

// The toolkit's key event behind the key message this thread retrieved last;
// dispatching the message hands it to the control.
struct RetrievedKey {
    Window window = nullptr;
    std::unique_ptr<QKeyEvent> event;
};
thread_local RetrievedKey tRetrievedKey;

class KeyFilter final : public QObject {
public:
    explicit KeyFilter(QtWindowSystem* owner) : owner_(owner) {}
    bool replaying = false;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (replaying || event->type() != QEvent::KeyPress) return false;
        return owner_->HoldKey(receiver, static_cast<QKeyEvent*>(event));
    }

private:
    QtWindowSystem* owner_;
};

}  // namespace

QObject* QtWindowSystem::NewKeyFilter(QtWindowSystem* owner) { return new KeyFilter(owner); }

void QtWindowSystem::NoteKeyRetrieved(ThreadQueue& queue, const Message& message) {
    const int virtualKey = static_cast<int>(LowWord(message.wParam));
    std::unique_ptr<QKeyEvent> event;
    {
        std::lock_guard lock(mutex_);
        // A queue hands out its key messages in the order their events were
        // held; a key message posted by other means matches no event.
        auto& held = heldKeys_[&queue];
        if (!held.empty() && held.front().window == message.window && held.front().virtualKey == virtualKey) {
            event = std::move(held.front().event);
            held.pop_front();
        }
    }
    tHaveKey = true;
    tLastKey = virtualKey;
    tKeyModifiers = event ? event->modifiers() : Qt::KeyboardModifiers();
    // A key message the loop kept for itself is never dispatched: its event
    // is dropped here.
    tRetrievedKey.window = message.window;
    tRetrievedKey.event = std::move(event);
}

// --- Messages ------------------------------------------------------------------

bool QtWindowSystem::GetMessage(Message& message) {
    ThreadQueue& queue = CurrentThreadQueue();
    if (std::this_thread::get_id() != GuiThreadId()) {
        queue.Take(message, true);
    } else {
        while (!queue.Take(message, false)) {
            auto due = queue.NextTimerDue();
            if (due != ThreadQueue::Clock::time_point::max()) {
                auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - ThreadQueue::Clock::now());
                QTimer::singleShot(std::max<int>(0, static_cast<int>(wait.count())), Qt::PreciseTimer, pump_, [] {});
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    if (IsKeyMessage(message.message)) NoteKeyRetrieved(queue, message);
    return message.message != WM_QUIT;
}

bool QtWindowSystem::GetMessageAfterSleep(Message& message, unsigned sleepMs) {
    // The toolkit's thread waits in its event loop; it keeps the two steps.
    if (std::this_thread::get_id() == GuiThreadId()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
        return GetMessage(message);
    }
    ThreadQueue& queue = CurrentThreadQueue();
    queue.TakeNotBefore(message, ThreadQueue::Now() + std::chrono::milliseconds(sleepMs));
    if (IsKeyMessage(message.message)) NoteKeyRetrieved(queue, message);
    return message.message != WM_QUIT;
}

bool QtWindowSystem::WaitMessageTimeout(unsigned microseconds) {
    ThreadQueue& queue = CurrentThreadQueue();
    const auto until = ThreadQueue::Now() + std::chrono::microseconds(microseconds);
    if (std::this_thread::get_id() != GuiThreadId()) return queue.WaitUntil(until);
    // The toolkit's thread waits in its event loop, which also takes the
    // queue's wake-ups; a timer ends the wait in time.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(static_cast<int>((microseconds + 999) / 1000));
    for (;;) {
        if (queue.WaitUntil(ThreadQueue::Now())) return true;
        if (ThreadQueue::Now() >= until || !deadline.isActive()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void QtWindowSystem::WaitForPostedMessage() {
    ThreadQueue& queue = CurrentThreadQueue();
    if (std::this_thread::get_id() != GuiThreadId()) return queue.WaitForPosted();
    // The toolkit's thread waits in its event loop, which the queue wakes
    // for every post; the queue's timers arm no toolkit timer here.
    while (!queue.HasPosted()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool QtWindowSystem::PeekMessage(Message& message) {
    if (std::this_thread::get_id() == GuiThreadId()) QCoreApplication::processEvents();
    ThreadQueue& queue = CurrentThreadQueue();
    if (!queue.Take(message, false)) return false;
    if (IsKeyMessage(message.message)) NoteKeyRetrieved(queue, message);
    return true;
}

void QtWindowSystem::TranslateMessage(const Message&) {
    // Nothing to do: the characters travel with the held key event and are
    // produced when it is dispatched to the control.
}

LResult QtWindowSystem::DispatchMessage(const Message& message) {
    Window window = message.window;
    if (!window) return 0;
    LResult result = 0;
    if (window->kind == WindowKind::Custom && window->procedure)
        result = window->procedure(window, message.message, message.wParam, message.lParam);
    else if (window->kind == WindowKind::Dialog && window->dialogProcedure)
        result = window->dialogProcedure(window, message.message, message.wParam, message.lParam);
    if (IsKeyMessage(message.message) && std::this_thread::get_id() == GuiThreadId()) {
        std::unique_ptr<QKeyEvent> held;
        if (tRetrievedKey.window == window) held = std::move(tRetrievedKey.event);
        QWidget* widget = WidgetOf(window);
        if (held && widget && window->kind != WindowKind::Custom) {
            auto* filter = static_cast<KeyFilter*>(keyFilter_);
            filter->replaying = true;
            QCoreApplication::sendEvent(widget, held.get());
            filter->replaying = false;
        }
    }
    return result;
}

bool QtWindowSystem::HoldKey(QObject* receiver, QKeyEvent* event) {
    Window window = WindowOfWidget(receiver);
    if (!window) return false;  // a modal box or file dialog of the toolkit's own
    const int virtualKey = VirtualKeyOf(*event);
    bool alt = event->modifiers().testFlag(Qt::AltModifier);
    LParam lParam = 1 | (event->isAutoRepeat() ? KEY_REPEAT_BIT : 0);
    {
        // Held and posted under one lock, so each queue's events stay in the
        // order of its key messages.
        std::lock_guard lock(mutex_);
        if (window->owner) {
            heldKeys_[window->owner].push_back(
                HeldKey{window, virtualKey, std::unique_ptr<QKeyEvent>(static_cast<QKeyEvent*>(event->clone()))});
        }
        PostToOwner(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WParam>(virtualKey), lParam);
    }
    return true;
}

void QtWindowSystem::PostQuitMessage(int exitCode) { CurrentThreadQueue().PostQuit(exitCode); }

bool QtWindowSystem::PostMessage(Window window, MessageId message, WParam wParam, LParam lParam) {
    if (!window || !window->owner) return false;
    window->owner->Post(Message{window, message, wParam, lParam});
    return true;
}

bool QtWindowSystem::SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs) {
    if (!window || !window->owner) return false;
    window->owner->SetTimer(window, timerId, periodMs);
    return true;
}

bool QtWindowSystem::KillTimer(Window window, std::uintptr_t timerId) {
    if (!window || !window->owner) return false;
    return window->owner->KillTimer(window, timerId);
}

// --- Input ---------------------------------------------------------------------

std::int16_t QtWindowSystem::GetKeyState(int virtualKey) {
    Qt::KeyboardModifiers mods = tKeyModifiers;
    if (!tHaveKey && std::this_thread::get_id() == GuiThreadId()) mods = QGuiApplication::queryKeyboardModifiers();
    bool down = false;
    switch (virtualKey) {
        case VK_CONTROL: down = mods.testFlag(Qt::ControlModifier); break;
        case VK_SHIFT: down = mods.testFlag(Qt::ShiftModifier); break;
        case VK_MENU: down = mods.testFlag(Qt::AltModifier); break;
        default: down = tHaveKey && tLastKey == virtualKey; break;
    }
    return down ? static_cast<std::int16_t>(0x8000) : 0;
}

bool QtWindowSystem::TrackMouseEvent(Window window, unsigned flags, unsigned hoverTimeMs) {
    WindowData* data = DataOf(window);
    if (!data) return false;
    RunOnGuiThread([&] {
        if (!data->widget) return;
        data->trackLeave = (flags & TME_LEAVE) != 0;
        data->trackHover = (flags & TME_HOVER) != 0;
        data->hoverTimeMs = hoverTimeMs;
        if (!data->widget->underMouse()) {
            // Asked while the pointer is elsewhere: it has already left.
            data->trackHover = false;
            if (data->trackLeave) {
                data->trackLeave = false;
                PostToOwner(window, WM_MOUSELEAVE, 0, 0);
            }
            return;
        }
        if (data->trackHover) data->hoverTimer->start(static_cast<int>(hoverTimeMs));
    });
    return true;
}

}  // namespace plat::qt
