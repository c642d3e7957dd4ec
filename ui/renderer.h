// The canvas renderer: RenderThread's body and one frame of drawing.
#pragma once

#include "platform/platform.h"

namespace kestran {

void RenderThreadMain();
// Sets up the drawing device, fonts, sprite and animation strip on the canvas.
bool InitDirect3D(plat::Window canvas);
// Draws one frame from the drill state and makes the frame's state changes.
void RenderFrame();

}  // namespace kestran
