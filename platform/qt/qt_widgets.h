// The Qt widgets that stand behind the windows of the contract, and the
// per-window data the Qt backend keeps.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/core/window_object.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_native_canvas.h"

class QTimer;

namespace plat::qt {

struct WindowData {
    QWidget* widget = nullptr;
    std::atomic<bool> eraseNext{true};
    std::atomic<int> clientWidth{0};
    std::atomic<int> clientHeight{0};
    // Mouse tracking as armed by TrackMouseEvent (main thread only).
    bool trackHover = false;
    bool trackLeave = false;
    unsigned hoverTimeMs = 0;
    QTimer* hoverTimer = nullptr;
    // The paint under way, for BeginPaint.
    PaintContextObject* activePaint = nullptr;
    // The last frame presented into a canvas window.
    std::mutex frameMutex;
    QImage frame;
    // What the toolkit's thread has yet to repaint of it; not empty while a
    // repaint is on its way, so frames arriving before it add to that one.
    QRect pendingRepaint;
    // The toolkit's thread is repainting a presented frame, not an exposure
    // (toolkit thread only).
    bool repaintingFrame = false;
    // The canvas's own X window, where there is one.
    NativeCanvas native;
};

WindowData* DataOf(Window window);
// The thread running the toolkit's event loop (the program's first thread).
std::thread::id GuiThreadId();
// The window a widget stands for, looking through its parents; null if none.
Window WindowOfWidget(QObject* object);
bool OwnedByGuiThread(Window window);

// Posts a message to the window's owner thread.
void PostToOwner(Window window, MessageId message, WParam wParam, LParam lParam);

// A window of a registered class: buttons, the canvas, hidden windows.
class CustomWindowWidget final : public QWidget {
public:
    CustomWindowWidget(Window window, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage FreshSurface(qreal ratio);

    Window window_;
    bool lastWasPress_ = false;
    QImage surface_;  // the window's pixels, kept between paints (GUI thread)
};

// The top-level dialog.
class DialogWidget final : public QWidget {
public:
    explicit DialogWidget(Window window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Window window_;
};

class EditWidget final : public QLineEdit {
public:
    EditWidget(Window window, QWidget* parent);
    // Letters go straight in, whatever mode the learner's input method
    // (fcitx, ibus) is in: it is told the box takes none.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};

// A scroll bar that, like the classic control, reports what the user does
// and moves its thumb only when told to.
class ScrollBarWidget final : public QScrollBar {
public:
    ScrollBarWidget(Window window, QWidget* parent);
    void SetPosition(int position);  // the thumb where the program put it

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Window window_;
    int position_ = 0;
};

}  // namespace plat::qt
