// The canvas drawing device on QImage and QPainter. It draws into a back
// buffer of the window's client size and hands each finished frame to the
// window system, so it can run on any thread; only the fonts need the
// QGuiApplication to exist.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>

#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/qt/qt_frame_pacing.h"
#include "platform/qt/qt_text_cache.h"

struct plat::CanvasFontObject {
    QFont font;
};
// A picture in memory, drawn from its own pixels: a Reset keeps it.
struct plat::CanvasTextureObject {
    QImage image;  // premultiplied ARGB, at the device's pixel ratio
};

namespace plat::qt {

class QtCanvasDevice final : public CanvasDevice {
public:
    // Presents into the window, paced at its screen's refresh rate and
    // drawn at its screen's pixel ratio.
    explicit QtCanvasDevice(Window window);
    // Draws into an offscreen image of the given size, with no window; the
    // frames are kept for LastFrame(). refreshHz 0: WaitForRefresh does not wait.
    // Sizes and positions stay in logical pixels at any pixel ratio.
    explicit QtCanvasDevice(QSize offscreenSize, double refreshHz = 0, double pixelRatio = 1.0);
    ~QtCanvasDevice() override;

    DeviceStatus TestCooperativeLevel() override;
    bool Reset() override;
    void Clear(Argb colour) override;
    void BeginScene() override;
    void EndScene() override;
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override;
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override;
    int TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) override;
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override;
    void SpriteBegin() override;
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override;
    void SpriteEnd() override;
    DeviceStatus Present() override;
    void KeepFrame() override;
    void WaitForRefresh() override;
    RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment) override {
        return pacer_.RefreshAfter(moment);
    }
    RefreshClock::duration RefreshPeriod() const override { return pacer_.Period(); }
    bool WaitsForRefresh() const override { return pacer_.Paced(); }

    // --- Offscreen device ---------------------------------------------------
    // The frame the last successful Present showed (null before the first).
    QImage LastFrame() const { return lastFrame_; }
    // The part of LastFrame() that the last Present changed (logical pixels),
    // found the way a window finds it.
    QRect LastChangedArea() const { return lastChangedArea_; }
    // What the window would report: a new client size, or a surface that
    // refuses frames. Either makes the device lost.
    void SetOffscreenClientSize(QSize size) { offscreenSize_ = size; }
    void SetOffscreenPresentFails(bool fails) { offscreenPresentFails_ = fails; }

private:
    // One drawing call of the frame, kept until the frame is presented:
    // what a frame has in common with the one before is not painted again.
    struct Draw {
        QImage image;   // shares the picture's pixels
        QRectF target;  // logical
        QRect source;   // device pixels of image
        QRect clip;     // logical; empty for none
        QRect bounds;   // device pixels it may touch
        bool atPoint;   // drawn at target's corner in its own size, as text is

        bool operator==(const Draw& other) const;
    };

    QSize ClientSize() const;
    QImage NewBackBuffer(QSize size) const;
    bool ShowFrame();
    QRect DeviceBounds(const QRectF& logical) const;
    void PaintFrame();
    void PaintDraw(const Draw& draw);
    void EndPainting();

    Window window_ = nullptr;  // null for an offscreen device
    QSize offscreenSize_;
    double pixelRatio_ = 1.0;
    bool offscreenPresentFails_ = false;
    QImage lastFrame_;
    QRect lastChangedArea_;

    // This frame's calls and those of the frame in the buffer. Where a call
    // differs from the one at its place in the other list, both may have
    // left pixels; only those places are painted again (over the clear
    // colour) and compared with the frame on screen.
    std::vector<Draw> draws_;
    std::vector<Draw> drawsBefore_;
    std::vector<QRect> comparedArea_;  // device pixels
    bool cleared_ = false;       // this frame began with a clear
    Argb clearColour_ = 0;
    bool wholeChanged_ = true;   // no frame shown, a new buffer or clear colour
    bool bufferKnown_ = false;   // the buffer holds what drawsBefore_ painted
    Argb clearedWith_ = 0;

    // One buffer: the window copies what changed out of it when presented.
    QImage backBuffer_;
    QPainter painter_;
    bool inScene_ = false;
    bool inSprite_ = false;
    bool lost_ = false;
    FramePacer pacer_;

    TextPictureCache textPictures_;
    std::vector<std::unique_ptr<CanvasFontObject>> fonts_;
    std::vector<std::unique_ptr<CanvasTextureObject>> textures_;
};

// The service the backend installs: one device per canvas window.
class QtCanvasGraphics final : public CanvasGraphics {
public:
    // Lives until the process ends, like the window it draws into.
    CanvasDevice* CreateDevice(Window window) override;
};

// Qt alignment and wrapping flags for the DT_* format bits.
int TextFlagsFor(unsigned format);

}  // namespace plat::qt
