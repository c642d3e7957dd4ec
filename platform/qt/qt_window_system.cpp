// The Qt window system: set-up, windows and dialogs, their items and
// painting, and what the canvas's drawing thread asks of its window. Messages
// and keys are in qt_message_loop.cpp, the modal boxes, the open-file
// dialog and popup menus in qt_modal_dialogs.cpp.
#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/core/thread_queue.h"
#include "platform/qt/qt_frame_diff.h"
#include "platform/qt/qt_gbk_text.h"
#include "platform/qt/qt_held_key.h"
#include "platform/qt/qt_widgets.h"

namespace plat::qt {

namespace {

std::thread::id gGuiThread;
std::atomic<double> gRefreshRate{60.0};
std::atomic<double> gPixelRatio{1.0};

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

}  // namespace

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
    keyFilter_ = NewKeyFilter(this);
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

}  // namespace plat::qt
