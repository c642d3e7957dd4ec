// Whether a BMP file holds everything its headers promise. A file cut short
// would otherwise load with its missing rows black and be kept for good.
#pragma once

#include <string_view>

namespace plat {

// False when the bytes are shorter than the file size the header states,
// than the pixel data its width, height and depth need, or than the headers
// themselves.
bool BmpIsComplete(std::string_view bytes);

}  // namespace plat
