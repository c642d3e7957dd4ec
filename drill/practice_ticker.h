// The practice ticker: TickerThread's body, its hidden window and one tick.
#pragma once

#include "platform/platform.h"

namespace kestran {

void TickerThreadMain();
plat::LResult TickerWindowProc(plat::Window window, plat::MessageId message, plat::WParam wParam, plat::LParam lParam);
void PracticeTick();

}  // namespace kestran
