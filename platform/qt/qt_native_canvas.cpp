#include "platform/qt/qt_native_canvas.h"

#include "platform/qt/qt_frame_diff.h"

#include <QGuiApplication>
#include <QRectF>
#include <QWidget>
#include <QWindow>

#include <atomic>
#include <string>

namespace plat::qt {

namespace {

std::atomic<bool> gThroughX{false};
std::string gDisplay;  // written once before any canvas is shown

}  // namespace

void ChooseCanvasPath() {
    const bool onX = QGuiApplication::platformName() == QLatin1String("xcb");
    if (!onX || qEnvironmentVariableIsSet("KESTRAN_CANVAS_THROUGH_TOOLKIT")) return;
    gDisplay = qEnvironmentVariable("DISPLAY").toStdString();
    gThroughX = true;
}

void NoteNativePlace(QWidget* widget, NativeCanvas& canvas) {
    if (!gThroughX || !widget || !widget->isVisible()) return;
    QWidget* dialog = widget->window();
    // Only a window Qt has already made: asking for one would make it early.
    if (!dialog->testAttribute(Qt::WA_WState_Created) || !dialog->windowHandle()) return;
    const std::uint32_t parent = static_cast<std::uint32_t>(dialog->winId());
    const qreal ratio = dialog->devicePixelRatioF();
    const QPoint at = widget->mapTo(dialog, QPoint(0, 0));
    const QRect place((QPointF(at) * ratio).toPoint(), (QSizeF(widget->size()) * ratio).toSize());
    std::lock_guard lock(canvas.placeMutex);
    if (canvas.placeKnown && canvas.parent == parent && canvas.place == place) return;
    canvas.placeKnown = true;
    canvas.parent = parent;
    canvas.place = place;
    ++canvas.generation;
}

void ForgetNativePlace(NativeCanvas& canvas) {
    std::lock_guard lock(canvas.placeMutex);
    if (!canvas.placeKnown) return;
    canvas.placeKnown = false;
    ++canvas.generation;
}

bool SendToNativeWindow(NativeCanvas& canvas, const QImage& frame, const QRect& changed) {
    if (!gThroughX) return false;
    bool known;
    std::uint32_t parent;
    QRect place;
    unsigned generation;
    {
        std::lock_guard lock(canvas.placeMutex);
        known = canvas.placeKnown;
        parent = canvas.parent;
        place = canvas.place;
        generation = canvas.generation;
    }
    auto& surface = canvas.surface;
    // A window at an old place, or one the server took away, is let go;
    // without a place the toolkit shows the frame.
    if (surface && (!known || canvas.surfaceGeneration != generation || surface->Broken())) surface.reset();
    if (!known || frame.isNull() || place.size() != frame.size()) return false;

    bool sendAll = false;
    if (!surface) {
        if (canvas.failedGeneration == generation) return false;
        surface = XcbCanvasSurface::Open(gDisplay, parent, place);
        if (!surface) {
            canvas.failedGeneration = generation;
            return false;
        }
        canvas.surfaceGeneration = generation;
        sendAll = true;  // a new window shows nothing of its own
    }
    surface->SetMapped(true);  // it may have been hidden with the canvas
    if (surface->TakeExposure()) sendAll = true;
    if (!surface->Put(frame, sendAll ? frame.rect() : DeviceCover(changed, frame.devicePixelRatio()) & frame.rect())) {
        surface.reset();
        return false;
    }
    return true;
}

void ServiceNativeWindow(NativeCanvas& canvas, bool visible, std::mutex& frameMutex, const QImage& frame) {
    auto& surface = canvas.surface;
    if (!surface) {
        // A still canvas presents nothing new: its window is made here, once
        // its place is known, and shows the frame kept for it.
        if (!gThroughX || !visible) return;
        std::lock_guard lock(frameMutex);
        if (!frame.isNull()) SendToNativeWindow(canvas, frame, QRect());
        return;
    }
    surface->SetMapped(visible);
    if (!surface->TakeExposure() || !visible) return;
    std::lock_guard lock(frameMutex);
    if (!frame.isNull()) surface->Put(frame, frame.rect());
}

}  // namespace plat::qt
