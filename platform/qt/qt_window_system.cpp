#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/core/thread_queue.h"
#include "platform/gbk.h"
#include "platform/qt/qt_frame_diff.h"
#include "platform/qt/qt_list_file_dialog.h"
#include "platform/qt/qt_widgets.h"

namespace plat::qt {

namespace {

std::thread::id gGuiThread;
std::atomic<double> gRefreshRate{60.0};
std::atomic<double> gPixelRatio{1.0};

QString FromGbk(const char* text) { return QString::fromStdString(GbkToUtf8(text ? text : "")); }
std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

// The face that stands in for the classic dialog font: a CJK sans-serif
// whose metrics give the dialog 9 x 19 pixel units, so the 267 x 116 unit
// dialog is 601 x 276 pixels and holds the canvas and the buttons with the
// answer box and the slider centred beneath them.
constexpr const char* kDialogFontStandIn = "WenQuanYi Micro Hei";

QFont DialogFont(const DialogTemplate& t) {
    QString face = FromGbk(t.fontFace);
    if (face.isEmpty() || face == "MS Shell Dlg" || face == "MS Shell Dlg 2") face = kDialogFontStandIn;
    QFont font(face);
    // Points at the classic 96 pixels per inch, whatever the screen reports.
    font.setPixelSize(std::max(1, (t.fontPointSize * 96 + 36) / 72));
    font.setWeight(t.fontWeight >= 700 ? QFont::Bold : QFont::Normal);
    return font;
}

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

struct QtWindowSystem::HeldKey {
    Window window = nullptr;
    int virtualKey = 0;
    std::unique_ptr<QKeyEvent> event;
};

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

std::thread::id GuiThreadId() { return gGuiThread; }

// --- Bridge ------------------------------------------------------------------

QWidget* WidgetOf(Window window) {
    WindowData* data = DataOf(window);
    return data ? data->widget : nullptr;
}

QSize ClientSize(Window window) {
    WindowData* data = DataOf(window);
    return data ? QSize(data->clientWidth, data->clientHeight) : QSize();
}

bool PresentFrame(Window window, const QImage& frame, const std::vector<QRect>* drawnOn) {
    WindowData* data = DataOf(window);
    if (!data || !data->widget) return false;
    if (!window->visible) {
        ServiceCanvasWindow(window);
        return false;
    }
    {
        std::lock_guard lock(data->frameMutex);
        // Only the part that differs from the frame on screen is repainted
        // and sent to the display; a frame like it needs nothing. The
        // drawing thread is not kept waiting for the toolkit's thread.
        const QRect changed = ChangedArea(data->frame, frame, drawnOn);
        // Copied, not shared: the drawing device paints on in its one
        // buffer, and only the changed pixels move.
        if (!changed.isEmpty()) CopyChangedArea(frame, changed, data->frame);
        if (SendToNativeWindow(data->native, data->frame, changed)) return true;
        if (changed.isEmpty()) return true;
        // One repaint on its way takes every later change along: the
        // toolkit's thread wakes once however many frames came meanwhile.
        const bool onItsWay = !data->pendingRepaint.isEmpty();
        data->pendingRepaint |= changed;
        if (onItsWay) return true;
    }
    QMetaObject::invokeMethod(
        data->widget,
        [w = data->widget, data] {
            QRect area;
            {
                std::lock_guard lock(data->frameMutex);
                area = std::exchange(data->pendingRepaint, QRect());
            }
            if (!area.isEmpty()) {
                data->repaintingFrame = true;
                w->repaint(area);
                data->repaintingFrame = false;
            }
            // From the next frame on the drawing thread can show frames itself.
            NoteNativePlace(w, data->native);
        },
        Qt::QueuedConnection);
    return true;
}

void ServiceCanvasWindow(Window window) {
    WindowData* data = DataOf(window);
    if (data) ServiceNativeWindow(data->native, window->visible, data->frameMutex, data->frame);
}

double RefreshRate(Window) { return gRefreshRate.load(); }

double PixelRatio(Window) { return gPixelRatio.load(); }

// --- Set-up ------------------------------------------------------------------

QtWindowSystem::QtWindowSystem() {
    gGuiThread = std::this_thread::get_id();
    ChooseCanvasPath();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        double rate = screen->refreshRate();
        gRefreshRate = rate >= 20.0 ? rate : 60.0;
        gPixelRatio = screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
    }
    pump_ = new QObject();
    keyFilter_ = new KeyFilter(this);
    qApp->installEventFilter(keyFilter_);
    // Whatever arrives in the toolkit thread's queue must wake the toolkit's
    // event loop, and requests from other threads are served from there, so
    // they are also served inside modal boxes and the open-file dialog.
    ThreadQueue* queue = &CurrentThreadQueue();
    auto pending = std::make_shared<std::atomic<bool>>(false);
    QObject* pump = pump_;
    queue->SetWakeHook([queue, pending, pump] {
        if (pending->exchange(true)) return;
        QMetaObject::invokeMethod(
            pump,
            [queue, pending] {
                pending->store(false);
                queue->RunSentRequests();
            },
            Qt::QueuedConnection);
    });
}

QtWindowSystem::~QtWindowSystem() {
    CurrentThreadQueue().SetWakeHook(nullptr);
    if (qApp) qApp->removeEventFilter(keyFilter_);
    delete keyFilter_;
    delete pump_;
}

void QtWindowSystem::RunOnGuiThread(const std::function<void()>& work) {
    if (std::this_thread::get_id() == gGuiThread)
        work();
    else
        QMetaObject::invokeMethod(pump_, work, Qt::BlockingQueuedConnection);
}

// --- Windows -------------------------------------------------------------------

bool QtWindowSystem::RegisterClass(const WindowClass& windowClass) {
    if (!windowClass.className) return false;
    std::lock_guard lock(mutex_);
    return classes_.emplace(windowClass.className, windowClass).second;
}

Window QtWindowSystem::CreateWindow(const char* className, const char*, std::uint32_t style, int x, int y, int width,
                                   int height, Window parent) {
    WindowClass windowClass;
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(className ? className : "");
        if (it == classes_.end()) return nullptr;
        windowClass = it->second;
    }
    auto* window = new WindowObject();
    auto* data = new WindowData();
    window->backendData = data;
    window->windowClass = windowClass;
    window->className = className;
    window->procedure = windowClass.procedure;
    window->owner = &CurrentThreadQueue();
    window->parent = parent;
    window->style = style;
    window->x = x, window->y = y, window->width = width, window->height = height;
    data->clientWidth = width;
    data->clientHeight = height;
    RunOnGuiThread([&] {
        QWidget* parentWidget = WidgetOf(parent);
        auto* widget = new CustomWindowWidget(window, parentWidget);
        widget->setGeometry(x, y, width, height);
        data->widget = widget;
        data->hoverTimer = new QTimer(widget);
        data->hoverTimer->setSingleShot(true);
        QObject::connect(data->hoverTimer, &QTimer::timeout, widget, [window, data] {
            if (!data->trackHover) return;
            data->trackHover = false;
            QPoint p = data->widget->mapFromGlobal(QCursor::pos());
            PostToOwner(window, WM_MOUSEHOVER, 0,
                        static_cast<LParam>(static_cast<std::uint16_t>(p.x())) |
                            (static_cast<LParam>(static_cast<std::uint16_t>(p.y())) << 16));
        });
        if (parent) {
            std::lock_guard lock(mutex_);
            parent->children.push_back(window);
        }
    });
    if (window->procedure) window->procedure(window, WM_CREATE, 0, 0);
    if (style & WS_VISIBLE) ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

QtWindowSystem::DialogBaseUnits QtWindowSystem::BaseUnitsFor(const DialogTemplate& t) {
    QFontMetrics metrics(DialogFont(t));
    // The average width of the 52 Latin letters, and the font's cell height.
    int lettersWidth = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return DialogBaseUnits{(lettersWidth / 26 + 1) / 2, metrics.height()};
}

Window QtWindowSystem::CreateDialog(const DialogTemplate& t, Window, DialogProc procedure, LParam parameter) {
    auto* dialog = new WindowObject();
    auto* data = new WindowData();
    dialog->backendData = data;
    dialog->kind = WindowKind::Dialog;
    dialog->dialogProcedure = procedure;
    dialog->owner = &CurrentThreadQueue();
    dialog->style = t.style;

    DialogBaseUnits units = BaseUnitsFor(t);
    auto px = [&](int v) { return DialogUnitsToPixelsX(v, units.x); };
    auto py = [&](int v) { return DialogUnitsToPixelsY(v, units.y); };
    dialog->x = px(t.x), dialog->y = py(t.y), dialog->width = px(t.width), dialog->height = py(t.height);
    data->clientWidth = dialog->width;
    data->clientHeight = dialog->height;

    RunOnGuiThread([&] {
        auto* widget = new DialogWidget(dialog);
        data->widget = widget;
        widget->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        widget->setWindowTitle(FromGbk(t.caption));
        widget->setFont(DialogFont(t));
        widget->setFixedSize(dialog->width, dialog->height);
        widget->move(dialog->x, dialog->y);
        QIcon icon(QString(":/icons/%1.png").arg(t.iconResource));
        if (!icon.isNull()) {
            widget->setWindowIcon(icon);
            QApplication::setWindowIcon(icon);
        }
        for (int i = 0; i < t.controlCount; ++i) {
            const DialogControl& c = t.controls[i];
            auto* control = new WindowObject();
            auto* controlData = new WindowData();
            control->backendData = controlData;
            control->owner = dialog->owner;
            control->parent = dialog;
            control->controlId = c.id;
            control->style = c.style;
            control->x = px(c.x), control->y = py(c.y), control->width = px(c.width), control->height = py(c.height);
            controlData->clientWidth = control->width;
            controlData->clientHeight = control->height;
            QWidget* controlWidget = nullptr;
            if (c.kind == ControlKind::Edit) {
                control->kind = WindowKind::Edit;
                controlWidget = new EditWidget(control, widget);
            } else {
                control->kind = WindowKind::ScrollBar;
                controlWidget = new ScrollBarWidget(control, widget);
            }
            controlWidget->setGeometry(control->x, control->y, control->width, control->height);
            controlWidget->setVisible((c.style & WS_VISIBLE) != 0);
            control->visible = (c.style & WS_VISIBLE) != 0;
            controlData->widget = controlWidget;
            dialog->children.push_back(control);
        }
    });
    if (procedure) procedure(dialog, WM_INITDIALOG, 0, parameter);
    return dialog;
}

Window QtWindowSystem::GetDlgItem(Window dialog, int controlId) {
    if (!dialog) return nullptr;
    std::lock_guard lock(mutex_);
    for (Window c : dialog->children)
        if (c->kind != WindowKind::Custom && c->controlId == controlId) return c;
    return nullptr;
}

bool QtWindowSystem::ShowWindow(Window window, int command) {
    if (!window) return false;
    bool wasVisible = window->visible.exchange(command != SW_HIDE);
    RunOnGuiThread([&] {
        QWidget* widget = WidgetOf(window);
        if (!widget) return;
        if (command == SW_HIDE) {
            widget->hide();
            return;
        }
        widget->show();
        if (window->kind == WindowKind::Dialog) {
            widget->raise();
            widget->activateWindow();
            // On activation the focus goes to the first control that takes it.
            for (Window c : window->children)
                if (c->kind == WindowKind::Edit) {
                    WidgetOf(c)->setFocus(Qt::ActiveWindowFocusReason);
                    break;
                }
        }
    });
    return wasVisible;
}

LResult QtWindowSystem::DefWindowProc(Window, MessageId, WParam, LParam) { return 0; }

// --- Messages ------------------------------------------------------------------

bool QtWindowSystem::GetMessage(Message& message) {
    ThreadQueue& queue = CurrentThreadQueue();
    if (std::this_thread::get_id() != gGuiThread) {
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
    if (std::this_thread::get_id() == gGuiThread) {
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
    if (std::this_thread::get_id() != gGuiThread) return queue.WaitUntil(until);
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
    if (std::this_thread::get_id() != gGuiThread) return queue.WaitForPosted();
    // The toolkit's thread waits in its event loop, which the queue wakes
    // for every post; the queue's timers arm no toolkit timer here.
    while (!queue.HasPosted()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool QtWindowSystem::PeekMessage(Message& message) {
    if (std::this_thread::get_id() == gGuiThread) QCoreApplication::processEvents();
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
    if (IsKeyMessage(message.message) && std::this_thread::get_id() == gGuiThread) {
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
    if (!tHaveKey && std::this_thread::get_id() == gGuiThread) mods = QGuiApplication::queryKeyboardModifiers();
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

// --- Dialog items ----------------------------------------------------------------

unsigned QtWindowSystem::GetDlgItemText(Window dialog, int controlId, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    Window control = GetDlgItem(dialog, controlId);
    if (!control || control->kind != WindowKind::Edit) return 0;
    unsigned copied = 0;
    if (std::this_thread::get_id() != control->owner->Owner()) {
        // The copy the control keeps as its text changes: the same text the
        // owner would read, without waking it (the ticker asks at every tick).
        std::lock_guard lock(control->textMutex);
        copied = static_cast<unsigned>(
            std::min<std::size_t>(control->text.size(), static_cast<std::size_t>(bufferSize - 1)));
        std::memcpy(buffer, control->text.data(), copied);
        buffer[copied] = '\0';
        return copied;
    }
    control->owner->Send([&] {
        auto* edit = static_cast<EditWidget*>(WidgetOf(control));
        std::string text = ToGbk(edit->text());
        copied = static_cast<unsigned>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(bufferSize - 1)));
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    });
    return copied;
}

bool QtWindowSystem::SetDlgItemText(Window dialog, int controlId, const char* text) {
    Window control = GetDlgItem(dialog, controlId);
    if (!control || control->kind != WindowKind::Edit) return false;
    QString value = FromGbk(text);
    control->owner->Send([&] { static_cast<EditWidget*>(WidgetOf(control))->setText(value); });
    return true;
}

bool QtWindowSystem::SetScrollRange(Window scrollBar, int, int minimum, int maximum, bool) {
    if (!scrollBar || scrollBar->kind != WindowKind::ScrollBar) return false;
    scrollBar->owner->Send([&] {
        scrollBar->scrollMin = minimum;
        scrollBar->scrollMax = maximum;
        auto* bar = static_cast<ScrollBarWidget*>(WidgetOf(scrollBar));
        QSignalBlocker block(bar);
        bar->setRange(minimum, maximum);
        bar->setPageStep(std::max(1, (maximum - minimum) / 10));
        bar->SetPosition(scrollBar->scrollPos);
    });
    return true;
}

int QtWindowSystem::SetScrollPos(Window scrollBar, int, int position, bool) {
    if (!scrollBar || scrollBar->kind != WindowKind::ScrollBar) return 0;
    int previous = 0;
    scrollBar->owner->Send([&] {
        previous = scrollBar->scrollPos;
        scrollBar->scrollPos = std::clamp(position, scrollBar->scrollMin, scrollBar->scrollMax);
        static_cast<ScrollBarWidget*>(WidgetOf(scrollBar))->SetPosition(scrollBar->scrollPos);
    });
    return previous;
}

// --- Painting --------------------------------------------------------------------

bool QtWindowSystem::InvalidateRect(Window window, bool erase) {
    WindowData* data = DataOf(window);
    if (!data || !data->widget) return false;
    // A window drawn by another thread paints on its own thread, as a
    // WM_PAINT in its queue; the widget keeps showing its last frame.
    if (!OwnedByGuiThread(window)) {
        if (window->owner) window->owner->Invalidate(window);
        return true;
    }
    if (erase) data->eraseNext = true;
    QMetaObject::invokeMethod(data->widget, [w = data->widget] { w->update(); }, Qt::AutoConnection);
    return true;
}

PaintContext QtWindowSystem::BeginPaint(Window window) {
    WindowData* data = DataOf(window);
    return data ? data->activePaint : nullptr;
}

void QtWindowSystem::EndPaint(Window, PaintContext) {}

// --- Modal dialogs -----------------------------------------------------------------

int QtWindowSystem::MessageBox(Window owner, const char* text, const char* caption, unsigned type) {
    QWidget* parent = WidgetOf(owner);
    QMessageBox box(parent ? parent->window() : nullptr);
    box.setWindowTitle(FromGbk(caption));
    box.setText(FromGbk(text));
    box.setIcon((type & 0xF0) == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon);
    bool okCancel = (type & 0x0F) == MB_OKCANCEL;
    box.setStandardButtons(okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.setObjectName("kestranMessageBox");
    int answer = box.exec();
    return answer == QMessageBox::Ok ? IDOK : IDCANCEL;
}

bool QtWindowSystem::GetOpenFileName(OpenFileRequest& request) {
    QWidget* parent = WidgetOf(request.owner);
    ListFileDialog dialog(parent ? parent->window() : nullptr, request.maxFile);
    dialog.setObjectName("kestranOpenFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // No flag asks for an existing file: a typed name is accepted as it is.
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const char* p = request.filter; p && *p;) {
        QString description = FromGbk(p);
        p += std::strlen(p) + 1;
        QString patterns = FromGbk(p);
        p += std::strlen(p) + 1;
        filters << QString("%1 (%2)").arg(description, patterns.split(';', Qt::SkipEmptyParts).join(' '));
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = static_cast<int>(request.filterIndex) - 1;
        if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
    }
    if (request.defaultExtension) dialog.setDefaultSuffix(FromGbk(request.defaultExtension));
    if (request.file && request.file[0]) {
        QFileInfo initial(QFile::decodeName(request.file));
        if (initial.dir().exists()) dialog.setDirectory(initial.dir());
        dialog.selectFile(initial.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    QByteArray path = QFile::encodeName(dialog.selectedFiles().first());
    // The dialog refuses a path longer than the buffer; should one get
    // through all the same, the buffer is left as it was.
    if (!request.file || static_cast<std::uint32_t>(path.size()) + 1 > request.maxFile) return false;
    std::memcpy(request.file, path.constData(), path.size() + 1);
    // Like the classic dialog, the chosen file's folder becomes the working
    // directory (the caller restores its own afterwards).
    QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    if (chdir(folder.constData()) != 0) {
        // The directory vanished meanwhile; the working directory stays.
    }
    return true;
}

// --- Popup menus -------------------------------------------------------------------

int QtWindowSystem::ShowPopupMenu(Window owner, Window at, int x, int y, const PopupMenuItem* items, int count) {
    int chosen = -1;
    RunOnGuiThread([&] {
        QWidget* ownerWidget = WidgetOf(owner);
        QMenu menu(ownerWidget ? ownerWidget->window() : nullptr);
        menu.setObjectName("kestranPopupMenu");
        std::vector<QAction*> actions;
        for (int i = 0; i < count; ++i) {
            const PopupMenuItem& item = items[i];
            if (item.separatorBefore && i > 0) menu.addSeparator();
            // The menu shows what follows a tab as the item's key, aligned
            // at the right as a shortcut is.
            QString text = FromGbk(item.text);
            if (item.keyHint && *item.keyHint) text += '\t' + FromGbk(item.keyHint);
            QAction* action = menu.addAction(text);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            action->setEnabled(!item.greyed);
            actions.push_back(action);
        }
        QWidget* atWidget = WidgetOf(at);
        const QPoint place = atWidget ? atWidget->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
        // A loop of the menu's own: queued repaints and requests of the
        // other threads are served meanwhile.
        QAction* picked = menu.exec(place);
        for (int i = 0; i < static_cast<int>(actions.size()); ++i)
            if (picked && actions[i] == picked) chosen = i;
    });
    return chosen;
}

}  // namespace plat::qt
