#include "drill/button_visual.h"

namespace kestran {

ButtonVisual openButtonVisual;
ButtonVisual orderButtonVisual;
ButtonVisual modeButtonVisual;
ButtonVisual colourButtonVisual;
ButtonVisual effectsButtonVisual;

Shared<plat::Window> OpenButton{nullptr};
Shared<plat::Window> OrderButton{nullptr};
Shared<plat::Window> ModeButton{nullptr};
Shared<plat::Window> ColourButton{nullptr};
Shared<plat::Window> EffectsButton{nullptr};

}  // namespace kestran
