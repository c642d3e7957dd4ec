#include "tests/ui/canvas_pixels.h"

namespace kestran::testing {

Ink InkWhere(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& matches) {
    Ink ink;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (matches(image.pixel(x, y))) {
                ++ink.count;
                ink.bounds |= QRect(x, y, 1, 1);
            }
    return ink;
}

Ink InkOn(const QImage& image, const QRect& area, QRgb background) {
    return InkWhere(image, area, [background](QRgb p) { return (p | 0xFF000000u) != (background | 0xFF000000u); });
}

Ink RedInk(const QImage& image, const QRect& area) {
    return InkWhere(image, area, [](QRgb p) { return qRed(p) > 80; });
}

Ink GreenInk(const QImage& image, const QRect& area) {
    return InkWhere(image, area, [](QRgb p) { return qGreen(p) > 80; });
}

QRect ToQRect(const plat::Rect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

bool SameArea(const QImage& a, const QRect& area, const QImage& b, QPoint offsetInB) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x + offsetInB.x(), y + offsetInB.y())) return false;
    return true;
}

}  // namespace kestran::testing
