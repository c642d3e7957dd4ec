// How the render thread waits between frames.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace kestran {

// Waits before the next frame. While the canvas is changing (a change of the
// drill state since `changesAtFrameStart`, the frame's own included) or the
// frame must be made again (`redraw`: it was not shown), that is the next
// display refresh. Otherwise the thread sleeps through the refreshes at
// which nothing it shows can have changed: until the refresh after the next
// tick that moves something, and until the next refresh after a change or a
// message if one comes first. Without a device, a frame's length.
void WaitBeforeNextFrame(plat::CanvasDevice* device, std::uint64_t changesAtFrameStart, bool redraw);

}  // namespace kestran
