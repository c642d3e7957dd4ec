#include "drill/drill_state.h"

#include <memory>

namespace kestran {

DrillState drill;
Shared<plat::Window> MainDialog{nullptr};
Shared<plat::Window> Canvas{nullptr};
Shared<plat::Window> TickerWindow{nullptr};

void ResetDrillStateForTest() {
    std::destroy_at(&drill);
    std::construct_at(&drill);
    MainDialog = nullptr;
    Canvas = nullptr;
    TickerWindow = nullptr;
}

}  // namespace kestran
