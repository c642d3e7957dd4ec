#include "platform/qt/qt_frame_diff.h"

#include <QRectF>

#include <cmath>
#include <cstring>

namespace plat::qt {

QRect LogicalCover(const QRect& device, double ratio) {
    if (ratio == 1.0) return device;
    // Outwards to whole logical pixels: a device pixel is never left out.
    const int left = static_cast<int>(std::floor(device.left() / ratio));
    const int top = static_cast<int>(std::floor(device.top() / ratio));
    const int right = static_cast<int>(std::ceil((device.right() + 1) / ratio));
    const int bottom = static_cast<int>(std::ceil((device.bottom() + 1) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

QRect DeviceCover(const QRectF& logical, double ratio) {
    return QRectF(logical.topLeft() * ratio, logical.size() * ratio).toAlignedRect();
}

namespace {

// Widens `found` (device pixels) by the pixels that differ inside `area`.
void AddDifferences(const QImage& shown, const QImage& next, const QRect& area, QRect& found) {
    const std::size_t rowBytes = static_cast<std::size_t>(area.width()) * 4;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(shown.constScanLine(y)) + area.left();
        const auto* b = reinterpret_cast<const quint32*>(next.constScanLine(y)) + area.left();
        if (std::memcmp(a, b, rowBytes) == 0) continue;
        int left = 0, right = area.width() - 1;
        while (a[left] == b[left]) ++left;
        while (a[right] == b[right]) --right;
        found |= QRect(QPoint(area.left() + left, y), QPoint(area.left() + right, y));
    }
}

}  // namespace

QRect ChangedArea(const QImage& shown, const QImage& next, const std::vector<QRect>* within) {
    const double ratio = next.devicePixelRatio();
    const QRect whole = LogicalCover(next.rect(), ratio);
    if (next.isNull()) return {};
    if (shown.isNull() || shown.size() != next.size() || shown.format() != next.format() ||
        shown.devicePixelRatio() != ratio || shown.depth() != 32)
        return whole;
    if (shown.constBits() == next.constBits()) return {};

    QRect found;
    if (!within) {
        AddDifferences(shown, next, next.rect(), found);
    } else {
        for (const QRect& area : *within) {
            const QRect inside = area & next.rect();
            if (!inside.isEmpty()) AddDifferences(shown, next, inside, found);
        }
    }
    if (found.isEmpty()) return {};
    return LogicalCover(found, ratio);
}

void CopyChangedArea(const QImage& next, const QRect& area, QImage& shown) {
    if (next.isNull()) return;
    const double ratio = next.devicePixelRatio();
    if (shown.size() != next.size() || shown.format() != next.format() || shown.devicePixelRatio() != ratio ||
        next.depth() != 32) {
        shown = next.copy();
        return;
    }
    const QRect pixels = DeviceCover(area, ratio) & next.rect();
    if (pixels.isEmpty()) return;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.width()) * 4;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        std::memcpy(shown.scanLine(y) + pixels.left() * 4, next.constScanLine(y) + pixels.left() * 4, rowBytes);
}

}  // namespace plat::qt
