// What the pieces of the Qt backend share: the definitions of the opaque
// handles they hand out, and the window system's hooks for painting and for
// showing canvas frames.
#pragma once

#include <vector>

#include <QBrush>
#include <QImage>
#include <QSize>

#include "platform/platform.h"

class QPainter;
class QWidget;

struct plat::BrushObject {
    QBrush brush;
};
struct plat::BitmapObject {
    QImage image;
};
struct plat::ImageObject {
    QImage image;  // null for a file that could not be read
};
// Valid between BeginPaint and EndPaint, on the thread that paints.
struct plat::PaintContextObject {
    QPainter* painter = nullptr;
};

namespace plat::qt {

// The widget behind a window (main thread only); null for none.
QWidget* WidgetOf(Window window);

// Client size of a window; any thread.
QSize ClientSize(Window window);

// Hands a finished frame to a canvas window, to be shown at the next repaint.
// Any thread. False when the window has no surface to show it on. With
// `drawnOn`, the frame differs from the one before only there (device pixels).
bool PresentFrame(Window window, const QImage& frame, const std::vector<QRect>* drawnOn = nullptr);

// Called by a canvas's drawing thread at every refresh that presents no
// frame (a presented frame does the same): keeps the canvas's own X window,
// where there is one, shown as the window is and made once its place is known.
void ServiceCanvasWindow(Window window);

// The refresh rate of the screen showing the window, 60 where unknown.
double RefreshRate(Window window);

// Device pixels per logical pixel of the screen showing the window (a
// desktop scale setting, QT_SCALE_FACTOR); 1 where unknown.
double PixelRatio(Window window);

}  // namespace plat::qt
