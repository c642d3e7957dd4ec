// The canvas renderer: RenderThread's body and one frame of drawing.
#pragma once

#include "platform/platform.h"

namespace kestran {

void RenderThreadMain();
// Sets up the drawing device, fonts, sprite and animation strip on the canvas.
bool InitDirect3D(plat::Window canvas);
// Draws one frame from the drill state and makes the frame's state changes.
// A frame that would look like the one on screen is not drawn again; its
// state changes are made all the same. True when it was drawn.
bool RenderFrame();
// The reset of an acknowledged test result that a frame makes: the counters
// start again for the next test, while testIndex, testDrawn,
// sequentialAnswered and testRandomStarted carry on.
void ResetFinishedTest();
// The canvas window was exposed or erased: what was on screen may be gone,
// so the next frame is drawn even if it looks like the last one shown.
// RenderThread only.
void CanvasExposed();

// Makes the fonts and the animation strip on a device and has RenderFrame
// draw with it. A null device leaves the canvas undrawn while every frame
// still makes its state changes. InitDirect3D ends here; tests hand in a
// device of their own. RenderThread only.
void UseCanvasDevice(plat::CanvasDevice* device);

}  // namespace kestran
