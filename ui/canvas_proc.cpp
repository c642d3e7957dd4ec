#include "ui/canvas_proc.h"
#include "drill/common_steps.h"

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "ui/renderer.h"

namespace kestran {

plat::LResult CanvasProc(plat::Window window, plat::MessageId message, plat::WParam wParam, plat::LParam lParam) {
    switch (message) {
        case plat::WM_LBUTTONDOWN:
        case plat::WM_LBUTTONDBLCLK: {
            // A click acts always: it toggles the pause and acknowledges,
            // leaving the answer box alone.
            const bool roundOver = RoundAwaitsAcknowledgement();
            Toggle(drill.paused);
            if (drill.randomOrder == 1 && drill.practiceFinished == 1) {
                RestartRandomProgress();
            }
            drill.practiceFinished = 0;
            drill.resultPending = 0;
            if (roundOver) hooks::roundStarted();
            return 0;
        }
        case plat::WM_RBUTTONUP:
            if (!hooks::canvasRightClick.IsSet()) return plat::DefWindowProc(window, message, wParam, lParam);
            hooks::canvasRightClick(static_cast<std::int16_t>(lParam & 0xFFFF),
                                    static_cast<std::int16_t>((lParam >> 16) & 0xFFFF));
            return 0;
        case plat::WM_KEYDOWN:
            if (plat::LowWord(wParam) == plat::VK_ESCAPE) plat::PostQuitMessage(0);
            return 0;
        case plat::WM_ERASEBKGND:
            // Nothing is erased: a device presenting into the window shares
            // its pixels with the system's painting, and a brush would stay
            // until the next frame drawn.
            CanvasExposed();
            return 1;
        case plat::WM_PAINT:
            plat::EndPaint(window, plat::BeginPaint(window));
            CanvasExposed();
            return 0;
        case plat::WM_DESTROY:
            plat::PostQuitMessage(0);
            return 0;
        default:
            return plat::DefWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace kestran
