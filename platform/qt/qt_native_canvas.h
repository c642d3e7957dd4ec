// Showing a canvas window's frames without the toolkit's thread: on an X
// server, the drawing thread lays a window of its own over the canvas widget
// and sends the frames there itself (see XcbCanvasSurface). Elsewhere, or
// until the canvas widget's place in the dialog's window is known, frames go
// through the toolkit's repaint as before.
#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/qt/xcb_canvas_surface.h"

class QWidget;

namespace plat::qt {

struct NativeCanvas {
    // Where the canvas widget lies in its dialog's X window (device pixels):
    // written by the toolkit's thread, read by the drawing thread.
    std::mutex placeMutex;
    bool placeKnown = false;
    std::uint32_t parent = 0;
    QRect place;
    unsigned generation = 0;

    // The drawing thread's own.
    std::unique_ptr<XcbCanvasSurface> surface;
    unsigned surfaceGeneration = 0;
    unsigned failedGeneration = ~0u;  // a place where no window could be made
};

// Decided once, on the toolkit's thread, before any canvas is shown: frames
// go straight to the X server when Qt runs on one, unless
// KESTRAN_CANVAS_THROUGH_TOOLKIT is set.
void ChooseCanvasPath();

// The toolkit's thread: notes where `widget` lies in its dialog's window,
// once that window exists and the widget is shown.
void NoteNativePlace(QWidget* widget, NativeCanvas& canvas);
// The toolkit's thread: the widget moved or changed size.
void ForgetNativePlace(NativeCanvas& canvas);

// The drawing thread: shows `frame` (as kept for the window), of which
// `changed` (logical pixels) is new, in the canvas's own X window. False
// when there is no such window: the frame must go through the toolkit.
bool SendToNativeWindow(NativeCanvas& canvas, const QImage& frame, const QRect& changed);
// The drawing thread, at every refresh: makes the X window once the place
// is known, hides or shows it with the canvas, and sends `frame` (all of
// it) to a new or exposed window. `frame` is read under `frameMutex`.
void ServiceNativeWindow(NativeCanvas& canvas, bool visible, std::mutex& frameMutex, const QImage& frame);

}  // namespace plat::qt
