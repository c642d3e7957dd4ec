#include "app/main_dialog.h"

#include <new>

#include "app/end_program.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/load_word_list.h"

namespace kestran {
namespace {

// UiThread only; made once at initialisation and never released.
plat::Window speedSlider = nullptr;
plat::Image backgroundImage = nullptr;
plat::Bitmap backgroundBitmap = nullptr;
plat::Brush backgroundBrush = nullptr;

constexpr const char* kBackgroundPicture = "RES\\bk.jpg";
constexpr const char* kBackgroundBitmap = "RES\\bk.bmp";

constexpr int kSliderMin = 0;
constexpr int kSliderMax = 100;
constexpr int kSliderStart = 50;

// The ticker starts on timer 3; the slider moves it to timer 1.
constexpr std::uintptr_t kStartTimerId = 3;
constexpr std::uintptr_t kSliderTimerId = 1;

struct SpeedBand {
    unsigned below;  // first thumb position past the band
    int snapTo;
    unsigned periodMs;
};
// Tested in this order; a position past the last band matches none.
constexpr SpeedBand kSpeedBands[] = {
    {25, 0, 48},
    {50, 50, 27},
    {75, 50, 27},
    {kSliderMax + 1, 100, 8},
};

// The dialog background: a bitmap file beside the picture, written from the
// picture the first time it is missing or unreadable.
void PrepareBackground() {
    backgroundBitmap = plat::LoadBitmapFile(kBackgroundBitmap);
    if (!backgroundBitmap) {
        plat::Guid bmpEncoder;
        // A picture object that could not be made at all has nothing to write.
        if (LookUpEncoder(u"image/bmp", &bmpEncoder) != -1 && backgroundImage)
            plat::SaveImage(backgroundImage, kBackgroundBitmap, bmpEncoder);
        backgroundBitmap = plat::LoadBitmapFile(kBackgroundBitmap);
    }
    backgroundBrush = plat::CreatePatternBrush(backgroundBitmap);
}

void InitialiseDialog(plat::Window dialog) {
    plat::StartImaging();
    backgroundImage = plat::LoadImage(kBackgroundPicture);
    PrepareListOpenRequest(true);
    speedSlider = plat::GetDlgItem(dialog, kSpeedSliderId);
    plat::SetScrollRange(speedSlider, plat::SB_CTL, kSliderMin, kSliderMax, false);
    plat::SetScrollPos(speedSlider, plat::SB_CTL, kSliderStart, false);
    PrepareBackground();
}

void MoveSpeedSlider(plat::WParam wParam) {
    const int code = plat::LowWord(wParam);
    if (code != plat::SB_THUMBPOSITION && code != plat::SB_THUMBTRACK) return;
    const unsigned position = plat::HighWord(wParam);
    for (const SpeedBand& band : kSpeedBands) {
        if (position < band.below) {
            plat::SetScrollPos(speedSlider, plat::SB_CTL, band.snapTo, false);
            plat::KillTimer(TickerWindow, kStartTimerId);
            plat::SetTimer(TickerWindow, kSliderTimerId, band.periodMs);
            return;
        }
    }
}

bool SameText(const char16_t* a, const char16_t* b) {
    if (!a || !b) return false;
    for (;; ++a, ++b) {
        if (*a != *b) return false;
        if (*a == u'\0') return true;
    }
}

}  // namespace

std::intptr_t MainDialogProc(plat::Window dialog, plat::MessageId message, plat::WParam wParam, plat::LParam) {
    switch (message) {
        case plat::WM_INITDIALOG:
            InitialiseDialog(dialog);
            return 0;  // the dialog manager places no focus
        case plat::WM_CTLCOLORDLG:
            return reinterpret_cast<std::intptr_t>(backgroundBrush);
        case plat::WM_HSCROLL:
            MoveSpeedSlider(wParam);
            return 0;
        case plat::WM_CLOSE:
            EndProgram(0);
        case plat::WM_ACTIVATE:
            hooks::dialogActivated(plat::LowWord(wParam) != plat::WA_INACTIVE);
            return 0;  // the dialog manager puts the focus back as before
        case plat::WM_ENDSESSION:
            // The session ends: the system ends the process after this
            // answer, so what must be kept is kept now.
            if (wParam) EndProgram(0);
            return 0;
        default:
            return 0;
    }
}

int LookUpEncoder(const char16_t* mimeType, plat::Guid* classId) {
    unsigned count = 0;
    unsigned bytes = 0;
    plat::GetImageEncodersSize(&count, &bytes);
    if (bytes == 0) return -1;
    // Zeroed, so a fill that fails leaves descriptions without a MIME type.
    auto* block = new (std::nothrow) unsigned char[bytes]();
    if (!block) return -1;
    auto* encoders = reinterpret_cast<plat::ImageCodecInfo*>(block);
    plat::GetImageEncoders(count, bytes, encoders);
    // Never look past the block, whatever count the library reported.
    const unsigned fits = bytes / static_cast<unsigned>(sizeof(plat::ImageCodecInfo));
    const unsigned usable = count < fits ? count : fits;
    for (unsigned i = 0; i < usable; ++i) {
        if (SameText(encoders[i].mimeType, mimeType)) {
            if (classId) *classId = encoders[i].classId;
            delete[] block;
            return static_cast<int>(i);
        }
    }
    delete[] block;
    return -1;
}

}  // namespace kestran
