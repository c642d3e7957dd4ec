#include "ui/buttons.h"

#include "drill/toggles.h"
#include "drill/button_visual.h"
#include "drill/load_word_list.h"

namespace kestran {
namespace {

struct ButtonKind {
    ButtonVisual& visual;
    const char* normalFile;
    const char* hoverFile;
    const char* backdropFile;
    void (*action)();
    // The open button: its action sets the pressed look and invalidates by
    // itself, it ignores the release, and its pressed look is the hover look.
    bool opensList;
};

const ButtonKind kOpen{openButtonVisual, "RES\\b11.png", "RES\\b12.png", "RES\\bb1.jpg", LoadWordList, true};
const ButtonKind kOrder{orderButtonVisual, "RES\\b21.png", "RES\\b22.png", "RES\\bb2.jpg", ToggleOrder, false};
const ButtonKind kMode{modeButtonVisual, "RES\\b31.png", "RES\\b32.png", "RES\\bb3.jpg", ToggleMode, false};
const ButtonKind kColour{colourButtonVisual, "RES\\b41.png", "RES\\b42.png", "RES\\bb4.jpg", ToggleColours, false};
const ButtonKind kEffects{effectsButtonVisual, "RES\\b51.png", "RES\\b52.png", "RES\\bb5.jpg", ToggleEffects,
                          false};

constexpr unsigned kHoverTimeMs = 1;
constexpr int kPressOffset = 2;

// An image object that could not be made at all is skipped.
void DrawAt(plat::PaintContext context, plat::Image image, int x, int y, int width, int height) {
    if (image) plat::DrawImage(context, image, x, y, width, height);
}

void DrawOwnSize(plat::PaintContext context, plat::Image image, int x, int y) {
    if (!image) return;
    DrawAt(context, image, x, y, static_cast<int>(plat::ImageWidth(image)), static_cast<int>(plat::ImageHeight(image)));
}

void Paint(const ButtonKind& kind, plat::Window window) {
    ButtonVisual& v = kind.visual;
    plat::PaintContext context = plat::BeginPaint(window);
    switch (v.visualState) {
        case kLookNormal: {
            DrawOwnSize(context, v.backdropImage, 0, 0);
            // The normal face takes the hover face's height so both faces
            // match; without a usable hover face it keeps its own.
            unsigned height = v.hoverImage ? plat::ImageHeight(v.hoverImage) : 0;
            if (height == 0 && v.normalImage) height = plat::ImageHeight(v.normalImage);
            if (v.normalImage)
                DrawAt(context, v.normalImage, 0, 0, static_cast<int>(plat::ImageWidth(v.normalImage)),
                       static_cast<int>(height));
            break;
        }
        case kLookHover:
            // Drawn once per visit: later hover notices repaint nothing.
            if (!v.hoverDrawn) {
                DrawOwnSize(context, v.backdropImage, 0, 0);
                DrawOwnSize(context, v.hoverImage, 0, 0);
                v.hoverDrawn = true;
            }
            break;
        case kLookPressed:
            DrawOwnSize(context, v.backdropImage, 0, 0);
            if (kind.opensList) {
                DrawOwnSize(context, v.hoverImage, 0, 0);
                v.hoverDrawn = true;
            } else {
                DrawOwnSize(context, v.hoverImage, kPressOffset, kPressOffset);
            }
            break;
        default:
            break;
    }
    plat::EndPaint(window, context);
}

plat::LResult ButtonProc(const ButtonKind& kind, plat::Window window, plat::MessageId message, plat::WParam wParam,
                         plat::LParam lParam) {
    ButtonVisual& v = kind.visual;
    switch (message) {
        case plat::WM_CREATE:
            v.normalImage = plat::LoadImage(kind.normalFile);
            v.hoverImage = plat::LoadImage(kind.hoverFile);
            v.backdropImage = plat::LoadImage(kind.backdropFile);
            PrepareListOpenRequest(false);
            return 0;
        case plat::WM_MOUSEMOVE:
            // Re-armed on every move so the hover notice comes almost at once.
            plat::TrackMouseEvent(window, plat::TME_HOVER | plat::TME_LEAVE, kHoverTimeMs);
            return 0;
        case plat::WM_MOUSEHOVER:
            v.visualState = kLookHover;
            plat::InvalidateRect(window, false);
            return 0;
        case plat::WM_MOUSELEAVE:
            v.visualState = kLookNormal;
            v.hoverDrawn = false;
            plat::InvalidateRect(window, false);
            return 0;
        case plat::WM_LBUTTONDOWN:
            // The actions repaint the button themselves at their own step;
            // the list loader also sets the pressed look itself.
            if (!kind.opensList) v.visualState = kLookPressed;
            kind.action();
            return 0;
        case plat::WM_LBUTTONUP:
            if (kind.opensList) break;
            v.visualState = kLookNormal;
            plat::InvalidateRect(window, false);
            return 0;
        case plat::WM_PAINT:
            Paint(kind, window);
            return 0;
        case plat::WM_KEYDOWN:
            if (wParam == static_cast<plat::WParam>(plat::VK_ESCAPE)) plat::PostQuitMessage(0);
            return 0;
        case plat::WM_DESTROY:
            plat::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return plat::DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

plat::LResult OpenButtonProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return ButtonProc(kOpen, w, m, wp, lp);
}
plat::LResult OrderButtonProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return ButtonProc(kOrder, w, m, wp, lp);
}
plat::LResult ModeButtonProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return ButtonProc(kMode, w, m, wp, lp);
}
plat::LResult ColourButtonProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return ButtonProc(kColour, w, m, wp, lp);
}
plat::LResult EffectsButtonProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return ButtonProc(kEffects, w, m, wp, lp);
}

}  // namespace kestran
