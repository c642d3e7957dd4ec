#include "platform/qt/qt_frame_diff.h"

#include <QRectF>

#include <cmath>
#include <cstring>

namespace plat::qt {

namespace {

QRect Logical(const QRect& device, double ratio) {
    if (ratio == 1.0) return device;
    // Outwards to whole logical pixels: a device pixel is never left out.
    const int left = static_cast<int>(std::floor(device.left() / ratio));
    const int top = static_cast<int>(std::floor(device.top() / ratio));
    const int right = static_cast<int>(std::ceil((device.right() + 1) / ratio));
    const int bottom = static_cast<int>(std::ceil((device.bottom() + 1) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

QRect ChangedArea(const QImage& shown, const QImage& next) {
    const double ratio = next.devicePixelRatio();
    const QRect whole = Logical(next.rect(), ratio);
    if (next.isNull()) return {};
    if (shown.isNull() || shown.size() != next.size() || shown.format() != next.format() ||
        shown.devicePixelRatio() != ratio || shown.depth() != 32)
        return whole;
    if (shown.constBits() == next.constBits()) return {};

    const int width = next.width();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    int top = -1, bottom = -1;
    for (int y = 0; y < next.height(); ++y)
        if (std::memcmp(shown.constScanLine(y), next.constScanLine(y), rowBytes) != 0) {
            if (top < 0) top = y;
            bottom = y;
        }
    if (top < 0) return {};

    int left = width, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const auto* a = reinterpret_cast<const quint32*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const quint32*>(next.constScanLine(y));
        for (int x = 0; x < left; ++x)
            if (a[x] != b[x]) {
                left = x;
                break;
            }
        for (int x = width - 1; x > right; --x)
            if (a[x] != b[x]) {
                right = x;
                break;
            }
    }
    return Logical(QRect(QPoint(left, top), QPoint(right, bottom)), ratio);
}

void CopyChangedArea(const QImage& next, const QRect& area, QImage& shown) {
    if (next.isNull()) return;
    const double ratio = next.devicePixelRatio();
    if (shown.size() != next.size() || shown.format() != next.format() || shown.devicePixelRatio() != ratio ||
        next.depth() != 32) {
        shown = next.copy();
        return;
    }
    const QRect pixels = QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio).toAlignedRect() &
                         next.rect();
    if (pixels.isEmpty()) return;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.width()) * 4;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        std::memcpy(shown.scanLine(y) + pixels.left() * 4, next.constScanLine(y) + pixels.left() * 4, rowBytes);
}

}  // namespace plat::qt
