// Where two canvas frames differ, so that only that part is repainted and
// sent to the display.
#pragma once

#include <QImage>
#include <QRect>

namespace plat::qt {

// The smallest rectangle, in logical pixels of `next`, holding every pixel
// that differs from `shown`. Empty when the frames look the same; the whole
// frame when there is nothing to compare with (no frame shown yet, another
// size or pixel ratio).
QRect ChangedArea(const QImage& shown, const QImage& next);

}  // namespace plat::qt
