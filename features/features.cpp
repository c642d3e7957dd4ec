#include "features/features.h"

#include "features/feature_menu.h"
#include "features/speech/speech_feature.h"

namespace kestran {

void InstallFeatures() {
    // Each feature adds its menu items here, in the order they appear.
    menu::Install();
    speech::Install();
}

}  // namespace kestran
