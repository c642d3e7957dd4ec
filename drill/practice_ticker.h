// The practice ticker: TickerThread's body, its hidden window and one tick.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace kestran {

inline constexpr std::uintptr_t kTickTimerId = 3;
inline constexpr unsigned kTickPeriodMs = 27;

// A hit waits for the renderer to finish the animation. When nothing has
// cleared the flag after this long (the canvas thread is gone, or frames no
// longer come), the ticker gives up on the animation and goes on.
inline constexpr std::uint32_t kHitWaitLimitMs = 5000;

void TickerThreadMain();
plat::LResult TickerWindowProc(plat::Window window, plat::MessageId message, plat::WParam wParam, plat::LParam lParam);
void PracticeTick();

// The parts of TickerThreadMain: the hidden window with its tick timer, and
// one pass of the loop (sleep 1 ms, wait for one message and take it). A
// pass returns true when it ran a tick. While ticks can change nothing (no
// list, or the test on) a pass first waits for a posted message, which the
// change that ends that state sends.
void CreateTickerWindow();
bool TickerLoopPass(plat::Message& message);

}  // namespace kestran
