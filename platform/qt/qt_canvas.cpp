#include "platform/qt/qt_canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <cstring>
#include <utility>
#include <string>
#include <string_view>

#include "platform/gbk.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_canvas_font.h"
#include "platform/qt/qt_canvas_image.h"
#include "platform/qt/qt_frame_diff.h"
#include "platform/qt/qt_imaging.h"

namespace plat::qt {

namespace {

// Multiplies a premultiplied cell by an ARGB colour, as vertex colours
// modulate a sprite.
void Modulate(QImage& cell, Argb colour) {
    const int ma = qAlpha(colour), mr = qRed(colour), mg = qGreen(colour), mb = qBlue(colour);
    for (int y = 0; y < cell.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
        for (int x = 0; x < cell.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(qRed(p) * mr * ma / (255 * 255), qGreen(p) * mg * ma / (255 * 255),
                            qBlue(p) * mb * ma / (255 * 255), qAlpha(p) * ma / 255);
        }
    }
}

}  // namespace

int TextFlagsFor(unsigned format) {
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    // Without the single-line bit, lines break only where the text has a
    // line break: no automatic wrapping, as the classic text call does
    // without its word-break bit.
    if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
    return flags;
}

QtCanvasDevice::QtCanvasDevice(Window window)
    : window_(window), pixelRatio_(PixelRatio(window)), pacer_(RefreshRate(window)) {
    backBuffer_ = NewBackBuffer(ClientSize());
}

QtCanvasDevice::QtCanvasDevice(QSize offscreenSize, double refreshHz, double pixelRatio)
    : offscreenSize_(offscreenSize), pixelRatio_(pixelRatio > 0 ? pixelRatio : 1.0), pacer_(refreshHz) {
    backBuffer_ = NewBackBuffer(offscreenSize);
}

// The back buffer has no alpha, like a display-format surface. It holds
// the logical size at the pixel ratio, so text and pictures are drawn
// with every device pixel rather than enlarged afterwards.
QImage QtCanvasDevice::NewBackBuffer(QSize size) const {
    if (size.isEmpty()) return {};
    QImage image(size * pixelRatio_, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio_);
    image.fill(0xFF000000u);
    return image;
}

QtCanvasDevice::~QtCanvasDevice() { EndPainting(); }

QSize QtCanvasDevice::ClientSize() const { return window_ ? plat::qt::ClientSize(window_) : offscreenSize_; }

DeviceStatus QtCanvasDevice::TestCooperativeLevel() {
    if (lost_ || backBuffer_.isNull() || ClientSize() != backBuffer_.deviceIndependentSize().toSize())
        return DeviceStatus::Lost;
    return DeviceStatus::Ok;
}

bool QtCanvasDevice::Reset() {
    EndPainting();
    if (window_) pixelRatio_ = PixelRatio(window_);
    backBuffer_ = NewBackBuffer(ClientSize());
    if (backBuffer_.isNull()) return false;  // nothing to draw on yet
    lost_ = false;
    wholeChanged_ = true;
    bufferKnown_ = false;
    draws_.clear();
    drawsBefore_.clear();
    if (window_) pacer_.SetRate(RefreshRate(window_));
    return true;
}

// Painted with the frame when it is presented, and only where the frame
// differs from the one in the buffer. What the frame drew so far is wiped.
void QtCanvasDevice::Clear(Argb colour) {
    if (backBuffer_.isNull()) return;
    cleared_ = true;
    clearColour_ = colour | 0xFF000000u;  // the buffer keeps no alpha
    draws_.clear();
}

// Rounded outwards and a pixel wider all round: smoothing may reach past
// a picture's edge by part of a pixel at a fractional ratio.
QRect QtCanvasDevice::DeviceBounds(const QRectF& logical) const {
    return DeviceCover(logical, pixelRatio_).adjusted(-1, -1, 1, 1);
}

bool QtCanvasDevice::Draw::operator==(const Draw& other) const {
    return image.cacheKey() == other.image.cacheKey() && target == other.target && source == other.source &&
           clip == other.clip && atPoint == other.atPoint;
}

// The painter stays on the back buffer from one scene to the next: setting
// one up costs more than most frames' drawing. Nothing shares the buffer's
// pixels (a presented frame is copied out), so painting on is safe.
void QtCanvasDevice::BeginScene() {
    if (inScene_ || backBuffer_.isNull()) return;
    inScene_ = painter_.isActive() || painter_.begin(&backBuffer_);
}

void QtCanvasDevice::EndScene() {
    inSprite_ = false;
    inScene_ = false;
}

void QtCanvasDevice::EndPainting() {
    inSprite_ = false;
    if (painter_.isActive()) painter_.end();
    inScene_ = false;
}

CanvasFontObject* QtCanvasDevice::CreateFont(int height, int width, int weight, const char* face) {
    if (!qGuiApp) return nullptr;  // Qt has no fonts without a GUI application
    const QString requested = QString::fromStdString(GbkToUtf8(face ? face : ""));
    const QStringList candidates = CandidateFamilies(requested);
    // An installed candidate first, the rest as per-glyph fallbacks; with
    // none installed, the default face (still sized as asked).
    auto font = std::make_unique<CanvasFontObject>();
    font->font = MakeCellFont(InstalledFamily(candidates), candidates, height, width, weight);
    fonts_.push_back(std::move(font));
    return fonts_.back().get();
}

int QtCanvasDevice::DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect,
                             unsigned format, Argb colour) {
    if (!font || !text || !inScene_ || length < -1) return 0;
    const std::string_view bytes(text, length == -1 ? std::strlen(text) : static_cast<std::size_t>(length));
    const QRect box(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (box.isEmpty()) return 0;

    const TextPicture& picture = textPictures_.Get(font->font, reinterpret_cast<std::uintptr_t>(font),
                                                   bytes, box.size(),
                                                   TextFlagsFor(format), colour, pixelRatio_, (format & DT_UTF8) != 0);
    if (!picture.image.isNull()) {
        const QRectF target(QPointF(box.topLeft()) + picture.offset, picture.image.deviceIndependentSize());
        // Most texts lie inside their rectangle: no clip to set and undo.
        const bool inside = QRectF(box).contains(target);
        draws_.push_back(Draw{picture.image, target, picture.image.rect(), inside ? QRect() : box,
                              DeviceBounds(inside ? target : target & QRectF(box)), true});
    }
    return picture.height;
}

int QtCanvasDevice::TextWidth(CanvasFontObject* font, const char* text, int length, unsigned format) {
    if (!font || !text || length < -1 || !qGuiApp) return 0;
    const std::string bytes(text, length == -1 ? std::strlen(text) : static_cast<std::size_t>(length));
    const QString line = QString::fromStdString((format & DT_UTF8) ? bytes : GbkToUtf8(bytes));
    return QFontMetrics(font->font).horizontalAdvance(line);
}

CanvasTextureObject* QtCanvasDevice::CreateTextureFromFile(const char* path, int width, int height,
                                                           Argb colourKey) {
    if (!path) return nullptr;
    const QString file = FileNameOf(path);
    // Made at the device's pixel ratio: a picture with more pixels than the
    // logical size keeps them, and none is enlarged twice.
    QImage image = LoadTextureImage(file, QSize(width, height), colourKey, pixelRatio_);
    if (image.isNull()) return nullptr;
    image.setDevicePixelRatio(pixelRatio_);
    auto texture = std::make_unique<CanvasTextureObject>();
    texture->image = std::move(image);
    textures_.push_back(std::move(texture));
    return textures_.back().get();
}

void QtCanvasDevice::SpriteBegin() { inSprite_ = inScene_; }

void QtCanvasDevice::SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) {
    if (!inSprite_ || !texture || texture->image.isNull()) return;
    const double ratio = texture->image.devicePixelRatio();
    const QRectF logical(source.left, source.top, source.right - source.left, source.bottom - source.top);
    const QRect cellRect = DeviceCover(logical, ratio) &
                           texture->image.rect();
    if (cellRect.isEmpty()) return;
    // Whole pixels: an unscaled cell must not be resampled. The scene's
    // painter only ever blends over, so no state needs saving.
    const QRectF target(QPoint(qRound(x), qRound(y)), QSizeF(cellRect.size()) / ratio);
    if (colour == 0xFFFFFFFFu) {
        // Untinted, the usual case: straight from the strip, no copy.
        draws_.push_back(Draw{texture->image, target, cellRect, QRect(), DeviceBounds(target), false});
        return;
    }
    QImage cell = texture->image.copy(cellRect);
    cell.setDevicePixelRatio(ratio);
    Modulate(cell, colour);
    const QRect whole = cell.rect();
    draws_.push_back(Draw{std::move(cell), target, whole, QRect(), DeviceBounds(target), true});
}

void QtCanvasDevice::SpriteEnd() { inSprite_ = false; }

namespace {

// Overlapping areas become one, so no place is painted twice.
void MergeOverlapping(std::vector<QRect>& areas) {
    for (std::size_t i = 0; i < areas.size(); ++i) {
        for (std::size_t j = i + 1; j < areas.size(); ++j) {
            if (!areas[i].intersects(areas[j])) continue;
            areas[i] |= areas[j];
            areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(j));
            j = i;  // the grown area may now reach earlier ones
        }
    }
}

}  // namespace

void QtCanvasDevice::PaintDraw(const Draw& draw) {
    if (!draw.clip.isEmpty()) {
        painter_.save();
        painter_.setClipRect(draw.clip, Qt::IntersectClip);
    }
    if (draw.atPoint)
        painter_.drawImage(draw.target.topLeft(), draw.image);
    else
        painter_.drawImage(draw.target, draw.image, draw.source);
    if (!draw.clip.isEmpty()) painter_.restore();
}

// A call that differs from the one at its place in the frame before (or has
// none there) may change pixels where either of the two draws; elsewhere
// every pixel is drawn by the same calls in the same order as before, so
// the buffer already holds it. Only those places are cleared and drawn on,
// by every call that reaches them, and compared with the screen.
void QtCanvasDevice::PaintFrame() {
    comparedArea_.clear();
    if (backBuffer_.isNull() || !(painter_.isActive() || painter_.begin(&backBuffer_))) return;
    const bool partial = cleared_ && bufferKnown_ && clearColour_ == clearedWith_;
    if (!partial) {
        if (cleared_) backBuffer_.fill(clearColour_);
        for (const Draw& draw : draws_) PaintDraw(draw);
        wholeChanged_ = true;  // compared whole with the screen
    } else {
        const std::size_t common = std::min(draws_.size(), drawsBefore_.size());
        for (std::size_t i = 0; i < common; ++i) {
            if (draws_[i] == drawsBefore_[i]) continue;
            comparedArea_.push_back(draws_[i].bounds);
            comparedArea_.push_back(drawsBefore_[i].bounds);
        }
        for (std::size_t i = common; i < draws_.size(); ++i) comparedArea_.push_back(draws_[i].bounds);
        for (std::size_t i = common; i < drawsBefore_.size(); ++i) comparedArea_.push_back(drawsBefore_[i].bounds);
        MergeOverlapping(comparedArea_);
        for (QRect& area : comparedArea_) {
            // Clipped in whole logical pixels, which cover the device pixels.
            const QRect logical = LogicalCover(area & backBuffer_.rect(), pixelRatio_);
            area = DeviceCover(logical, pixelRatio_) & backBuffer_.rect();
            if (area.isEmpty()) continue;
            painter_.setClipRect(logical);
            painter_.fillRect(logical.adjusted(-1, -1, 1, 1), QColor::fromRgb(clearColour_));
            for (const Draw& draw : draws_)
                if (draw.bounds.intersects(area)) PaintDraw(draw);
            painter_.setClipping(false);
        }
    }
    bufferKnown_ = cleared_;
    clearedWith_ = clearColour_;
    cleared_ = false;
    drawsBefore_.swap(draws_);
    draws_.clear();
}

bool QtCanvasDevice::ShowFrame() {
    if (backBuffer_.isNull()) return false;
    const std::vector<QRect>* within = wholeChanged_ ? nullptr : &comparedArea_;
    bool shown = false;
    if (window_) {
        shown = PresentFrame(window_, backBuffer_, within);
    } else if (!offscreenPresentFails_) {
        // Copied out the way a window does it; the buffer is painted on again.
        lastChangedArea_ = ChangedArea(lastFrame_, backBuffer_, within);
        CopyChangedArea(backBuffer_, lastChangedArea_, lastFrame_);
        shown = true;
    }
    // A frame not shown leaves the screen behind the buffer: compare all next time.
    wholeChanged_ = !shown;
    return shown;
}

DeviceStatus QtCanvasDevice::Present() {
    EndScene();
    PaintFrame();
    const bool shown = ShowFrame();
    if (!shown) lost_ = true;
    return shown ? DeviceStatus::Ok : DeviceStatus::Lost;
}

void QtCanvasDevice::KeepFrame() {
    if (window_) ServiceCanvasWindow(window_);
}

void QtCanvasDevice::WaitForRefresh() { pacer_.WaitForRefresh(); }

CanvasDevice* QtCanvasGraphics::CreateDevice(Window window) {
    if (!window) return nullptr;
    // Never deleted: the render thread is not joined and may still draw
    // while the process runs its exit handlers.
    return new QtCanvasDevice(window);
}

}  // namespace plat::qt
