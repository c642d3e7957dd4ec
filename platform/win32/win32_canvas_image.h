// Pixel work behind canvas textures: decoding a picture file, the colour
// key and a box-filter resize, on plain ARGB pixel arrays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat::win32 {

// Row-major 0xAARRGGBB pixels, not premultiplied.
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> argb;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// A picture file through GDI+; empty when it cannot be read or is not a
// regular file. The name is UTF-16, relative ones resolved as usual.
Pixels DecodePicture(const std::wstring& file);

// Pixels exactly equal to colourKey become transparent black.
void ApplyColourKey(Pixels& pixels, Argb colourKey);

// Resamples to width x height by area averaging: each target pixel is the
// mean of the source area it covers, weighted by overlap; enlarging, it
// interpolates linearly between the nearest source pixels instead (for a
// canvas at a larger scale). Computed on premultiplied values so
// transparent neighbours leave no dark fringe.
// Empty input or size gives empty.
Pixels BoxResize(const Pixels& pixels, int width, int height);

// A picture file as a canvas texture: keyed, then box-resized (a size of
// 0 keeps the picture's own). Empty when the file cannot be read.
Pixels LoadTexturePixels(const std::wstring& file, int width, int height, Argb colourKey);

}  // namespace plat::win32
