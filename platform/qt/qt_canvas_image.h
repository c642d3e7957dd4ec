// Pixel work behind canvas textures: the colour key and a box-filter resize.
#pragma once

#include <QImage>
#include <QSize>

#include "platform/types.h"

namespace plat::qt {

// Pixels exactly equal to colourKey (compared as unpremultiplied ARGB)
// become transparent black. Returns an unpremultiplied ARGB32 image.
QImage ApplyColourKey(const QImage& image, Argb colourKey);

// Resamples to size by area averaging: every target pixel is the mean of the
// source area it covers, weighted by overlap. Works on premultiplied pixels
// so transparent neighbours do not darken the edges; returns
// Format_ARGB32_Premultiplied. A null image or an empty size gives null.
QImage BoxResize(const QImage& image, QSize size);

// A picture file as a canvas texture: keyed, then box-resized to size (an
// empty size keeps the picture's own) times the pixel ratio. Null when the
// file cannot be read.
QImage LoadTextureImage(const QString& file, QSize size, Argb colourKey, qreal pixelRatio = 1.0);

}  // namespace plat::qt
