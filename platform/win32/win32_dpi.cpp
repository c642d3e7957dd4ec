#include "platform/win32/win32_dpi.h"

#include <cmath>
#include <map>
#include <mutex>
#include <vector>

namespace plat::win32 {
namespace {

constexpr UINT kDpiChanged = 0x02E0;          // WM_DPICHANGED
constexpr UINT kGetDpiScaledSize = 0x02E4;    // WM_GETDPISCALEDSIZE
constexpr DWORD kDialogScalingOff = 0x0001;   // DDC_DISABLE_ALL
constexpr int kEffectiveDpi = 0;              // MDT_EFFECTIVE_DPI

template <class Function>
Function SystemCall(const wchar_t* module, const char* name) {
    HMODULE loaded = ::GetModuleHandleW(module);
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using DialogBehaviourCall = BOOL(WINAPI*)(HWND, DWORD, DWORD);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// Where a window stood before the first change of scale, for windows the
// dialog manager placed (the dialog's controls) and for the dialog's client
// area: later layouts scale from here, so rounding never adds up.
struct Anchor {
    RECT rect{};
    UINT dpi = kBaseDpi;
    HFONT font = nullptr;   // the font it had then; null when none
    LOGFONTW logical{};
    HFONT made = nullptr;   // the scaled copy it has now
};

std::mutex gMutex;
std::map<HWND, UINT> gLayoutDpi;   // top-level windows
std::map<HWND, RECT> gLogical;     // children made through the window system
std::map<HWND, Anchor> gAnchors;

UINT DeviceDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

int Rescale(int value, UINT to, UINT from) { return ::MulDiv(value, static_cast<int>(to), static_cast<int>(from)); }

RECT Rescale(const RECT& r, UINT to, UINT from) {
    return {Rescale(r.left, to, from), Rescale(r.top, to, from), Rescale(r.right, to, from),
            Rescale(r.bottom, to, from)};
}

RECT RectInParent(HWND child, HWND parent) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE WindowSizeForClient(HWND window, SIZE client, UINT dpi) {
    RECT r{0, 0, client.cx, client.cy};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    static const auto adjust = SystemCall<AdjustForDpiCall>(L"user32.dll", "AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&r, style, FALSE, exStyle, dpi)) ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

// The dialog's anchors, taken at the scale it has before its first change.
Anchor& AnchorOf(HWND window, HWND parent, UINT dpi) {
    auto found = gAnchors.find(window);
    if (found != gAnchors.end()) return found->second;
    Anchor anchor;
    anchor.dpi = dpi;
    if (parent) {
        anchor.rect = RectInParent(window, parent);
        anchor.font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
        if (anchor.font && !::GetObjectW(anchor.font, sizeof anchor.logical, &anchor.logical)) anchor.font = nullptr;
    } else {
        ::GetClientRect(window, &anchor.rect);
    }
    return gAnchors.emplace(window, anchor).first->second;
}

SIZE ClientAt(HWND dialog, UINT dpi) {
    const UINT now = LayoutDpi(dialog);
    std::lock_guard lock(gMutex);
    const Anchor& client = AnchorOf(dialog, nullptr, now);
    return {Rescale(client.rect.right, dpi, client.dpi), Rescale(client.rect.bottom, dpi, client.dpi)};
}

// The window's frame may not have the size the new scale gives it yet (or
// ever, where the system does not scale it): the client area is made exact.
void FitClient(HWND window, SIZE wanted) {
    RECT frame{}, client{};
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    const int dx = wanted.cx - client.right, dy = wanted.cy - client.bottom;
    if (dx == 0 && dy == 0) return;
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

struct Move {
    HWND window;
    RECT rect;
    HFONT font;      // to hand the window; null: none
    HFONT previous;  // a scaled font it no longer needs
};

void RelayOut(HWND dialog, UINT dpi, const RECT& suggested) {
    const UINT before = LayoutDpi(dialog);
    std::vector<Move> moves;
    SIZE client{};
    {
        std::lock_guard lock(gMutex);
        const Anchor& self = AnchorOf(dialog, nullptr, before);
        client = {Rescale(self.rect.right, dpi, self.dpi), Rescale(self.rect.bottom, dpi, self.dpi)};
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (auto logical = gLogical.find(child); logical != gLogical.end()) {
                moves.push_back({child, ScaleRect(logical->second, dpi), nullptr, nullptr});
                continue;
            }
            Anchor& anchor = AnchorOf(child, dialog, before);
            Move move{child, Rescale(anchor.rect, dpi, anchor.dpi), nullptr, anchor.made};
            if (anchor.font && dpi == anchor.dpi) {
                move.font = anchor.font;
                anchor.made = nullptr;
            } else if (anchor.font) {
                LOGFONTW scaled = anchor.logical;
                scaled.lfHeight = Rescale(scaled.lfHeight, dpi, anchor.dpi);
                scaled.lfWidth = Rescale(scaled.lfWidth, dpi, anchor.dpi);
                anchor.made = ::CreateFontIndirectW(&scaled);
                move.font = anchor.made;
            }
            moves.push_back(move);
        }
        gLayoutDpi[dialog] = dpi;
    }
    ::SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClient(dialog, client);
    const DWORD self = ::GetCurrentThreadId();
    for (const Move& m : moves) {
        // A window of another thread (the canvas) moves when that thread
        // next takes its messages; this one does not wait for it.
        const bool ours = ::GetWindowThreadProcessId(m.window, nullptr) == self;
        ::SetWindowPos(m.window, nullptr, m.rect.left, m.rect.top, m.rect.right - m.rect.left,
                       m.rect.bottom - m.rect.top, SWP_NOZORDER | SWP_NOACTIVATE | (ours ? 0 : SWP_ASYNCWINDOWPOS));
        if (m.font) ::SendMessageW(m.window, WM_SETFONT, reinterpret_cast<WPARAM>(m.font), TRUE);
        if (m.previous) ::DeleteObject(m.previous);
    }
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

int ScaleToDpi(int pixels, UINT dpi) { return dpi == kBaseDpi ? pixels : Rescale(pixels, dpi, kBaseDpi); }

float ScaleToDpi(float pixels, UINT dpi) {
    return dpi == kBaseDpi ? pixels : pixels * static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
}

RECT ScaleRect(const RECT& r, UINT dpi) { return dpi == kBaseDpi ? r : Rescale(r, dpi, kBaseDpi); }

UINT SystemDpiOf(HWND window) {
    static const auto forWindow = SystemCall<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window)) return dpi;
    }
    if (!forWindow && window) {
        // Windows 8.1 and the first Windows 10: the monitor's, from shcore.
        static const auto forMonitor = [] {
            HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
            return shcore ? reinterpret_cast<GetDpiForMonitorCall>(
                                reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                          : nullptr;
        }();
        UINT x = 0, y = 0;
        if (forMonitor &&
            SUCCEEDED(forMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) && x)
            return x;
    }
    return DeviceDpi();
}

UINT LayoutDpi(HWND window) {
    HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
    if (!root) root = window;
    {
        std::lock_guard lock(gMutex);
        if (auto found = gLayoutDpi.find(root); found != gLayoutDpi.end()) return found->second;
    }
    return SystemDpiOf(root);
}

void RememberLogicalPlace(HWND child, const RECT& logical) {
    std::lock_guard lock(gMutex);
    gLogical[child] = logical;
}

void ForgetWindow(HWND window) {
    std::lock_guard lock(gMutex);
    gLayoutDpi.erase(window);
    gLogical.erase(window);
    if (auto found = gAnchors.find(window); found != gAnchors.end()) {
        if (found->second.made) ::DeleteObject(found->second.made);
        gAnchors.erase(found);
    }
}

void TakeOverDpiScaling(HWND dialog) {
    // Left on, the dialog manager would scale the controls from the template
    // and move the windows placed in pixels by its own rounding.
    static const auto behaviour = SystemCall<DialogBehaviourCall>(L"user32.dll", "SetDialogDpiChangeBehavior");
    if (behaviour) behaviour(dialog, kDialogScalingOff, kDialogScalingOff);
    const UINT dpi = SystemDpiOf(dialog);
    std::lock_guard lock(gMutex);
    gLayoutDpi[dialog] = dpi;
}

std::optional<LRESULT> AnswerDpiMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kGetDpiScaledSize) {
        // Asked before the change: the frame at the new scale around the
        // scaled client area, so the suggested rectangle fits it.
        const UINT dpi = LOWORD(wParam);
        *reinterpret_cast<SIZE*>(lParam) = WindowSizeForClient(dialog, ClientAt(dialog, dpi), dpi);
        return TRUE;
    }
    if (message == kDpiChanged) {
        RelayOut(dialog, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return std::nullopt;
}

}  // namespace plat::win32
