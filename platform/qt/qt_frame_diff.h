// Where two canvas frames differ, so that only that part is repainted and
// sent to the display.
#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace plat::qt {

// The smallest rectangle of whole logical pixels that covers `device`
// (device pixels at `ratio` to a logical one).
QRect LogicalCover(const QRect& device, double ratio);
// The device pixels, at `ratio` to a logical one, that `logical` covers
// (outwards to whole pixels).
QRect DeviceCover(const QRectF& logical, double ratio);

// The smallest rectangle, in logical pixels of `next`, holding every pixel
// that differs from `shown`. Empty when the frames look the same; the whole
// frame when there is nothing to compare with (no frame shown yet, another
// size or pixel ratio).
// With `within` (device pixels of `next`), only those places are compared:
// the caller knows nothing else was drawn on.
QRect ChangedArea(const QImage& shown, const QImage& next, const std::vector<QRect>* within = nullptr);

// Brings `shown` up to `next` in `area` (logical pixels of `next`, as
// ChangedArea gives it), copying those pixels only; a `shown` of another
// size, format or pixel ratio becomes a copy of all of `next`. `shown`
// never shares `next`'s pixels afterwards, so `next` may be painted on.
void CopyChangedArea(const QImage& next, const QRect& area, QImage& shown);

}  // namespace plat::qt
