// The actions of the order, mode, colour and effects buttons.
#pragma once

namespace kestran {

void ToggleOrder();
void ToggleMode();
void ToggleColours();
void ToggleEffects();

}  // namespace kestran
