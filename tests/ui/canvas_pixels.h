// Reading rendered canvas frames by pixel: where ink of a colour lies.
#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>

#include <functional>

#include "platform/types.h"

namespace kestran::testing {

struct Ink {
    int count = 0;
    QRect bounds;  // of the matching pixels; null when none
};

// Pixels of the image inside area (clipped to the image) that match.
Ink InkWhere(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& matches);
// Pixels that differ from the background colour.
Ink InkOn(const QImage& image, const QRect& area, QRgb background);
// On a black background: red text, green text, blue sprite cells.
Ink RedInk(const QImage& image, const QRect& area);
Ink GreenInk(const QImage& image, const QRect& area);

QRect ToQRect(const plat::Rect& rect);
inline QRect Whole(const QImage& image) { return image.rect(); }

// True when the area of a equals the same-sized area of b at offset.
bool SameArea(const QImage& a, const QRect& area, const QImage& b, QPoint offsetInB);

}  // namespace kestran::testing
