// The features beyond the drill, installed by the program's main before the
// drill starts. Each lives in its own folder here and reaches the drill only
// through the hooks of drill/feature_hooks.h and the menu of feature_menu.h.
#pragma once

namespace kestran {

// Sets every feature's hooks and menu items. Once, before WinMain.
void InstallFeatures();

}  // namespace kestran
