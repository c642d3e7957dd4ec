// The five image buttons: their window handles and their looks.
#pragma once

#include "drill/shared.h"
#include "platform/platform.h"

namespace kestran {

// Looks of a button.
inline constexpr int kLookNormal = 0;
inline constexpr int kLookHover = 1;
inline constexpr int kLookPressed = 2;

struct ButtonVisual {
    plat::Image backdropImage = nullptr;
    plat::Image normalImage = nullptr;
    plat::Image hoverImage = nullptr;
    int visualState = kLookNormal;
    bool hoverDrawn = false;
};

// UiThread only.
extern ButtonVisual openButtonVisual;
extern ButtonVisual orderButtonVisual;
extern ButtonVisual modeButtonVisual;
extern ButtonVisual colourButtonVisual;
extern ButtonVisual effectsButtonVisual;

// Written once by UiThread when the buttons are made.
extern Shared<plat::Window> OpenButton;
extern Shared<plat::Window> OrderButton;
extern Shared<plat::Window> ModeButton;
extern Shared<plat::Window> ColourButton;
extern Shared<plat::Window> EffectsButton;

}  // namespace kestran
