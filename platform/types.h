// Window-system vocabulary shared by the drill code and every platform backend.
// The shapes follow the classic message-based window system on purpose: a
// backend on the native Windows calls can map each of these one to one.
#pragma once

#include <cstdint>

namespace plat {

struct WindowObject;  // opaque; each backend defines it
using Window = WindowObject*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using MessageId = unsigned;

using WindowProc = LResult (*)(Window, MessageId, WParam, LParam);
using DialogProc = std::intptr_t (*)(Window, MessageId, WParam, LParam);

struct Message {
    Window window = nullptr;
    MessageId message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// 0x00BBGGRR, as the classic GDI colour reference.
using ColourRef = std::uint32_t;
// 0xAARRGGBB.
using Argb = std::uint32_t;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

inline constexpr std::uint16_t LowWord(WParam w) { return static_cast<std::uint16_t>(w & 0xFFFF); }
inline constexpr std::uint16_t HighWord(WParam w) { return static_cast<std::uint16_t>((w >> 16) & 0xFFFF); }
inline constexpr WParam MakeWParam(std::uint16_t lo, std::uint16_t hi) {
    return static_cast<WParam>(lo) | (static_cast<WParam>(hi) << 16);
}

// Messages.
inline constexpr MessageId WM_NULL = 0x0000;  // does nothing; wakes the window's thread
inline constexpr MessageId WM_CREATE = 0x0001;
inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_ACTIVATE = 0x0006;  // wParam's low word: WA_INACTIVE or how it became active
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_ERASEBKGND = 0x0014;
inline constexpr MessageId WM_QUIT = 0x0012;
inline constexpr MessageId WM_ENDSESSION = 0x0016;  // wParam: whether the session really ends
inline constexpr MessageId WM_KEYDOWN = 0x0100;
inline constexpr MessageId WM_KEYUP = 0x0101;
inline constexpr MessageId WM_CHAR = 0x0102;
inline constexpr MessageId WM_SYSKEYDOWN = 0x0104;
inline constexpr MessageId WM_SYSKEYUP = 0x0105;
inline constexpr MessageId WM_INITDIALOG = 0x0110;
inline constexpr MessageId WM_TIMER = 0x0113;
inline constexpr MessageId WM_HSCROLL = 0x0114;
inline constexpr MessageId WM_CTLCOLORDLG = 0x0136;
inline constexpr MessageId WM_MOUSEMOVE = 0x0200;
inline constexpr MessageId WM_LBUTTONDOWN = 0x0201;
inline constexpr MessageId WM_LBUTTONUP = 0x0202;
inline constexpr MessageId WM_LBUTTONDBLCLK = 0x0203;
inline constexpr MessageId WM_RBUTTONDOWN = 0x0204;
inline constexpr MessageId WM_RBUTTONUP = 0x0205;
inline constexpr MessageId WM_MOUSEHOVER = 0x02A1;
inline constexpr MessageId WM_MOUSELEAVE = 0x02A3;
inline constexpr int WA_INACTIVE = 0;
// The first message number free for a program's own use.
inline constexpr MessageId WM_APP = 0x8000;

// Virtual-key codes.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_APPS = 0x5D;  // the context-menu key
inline constexpr int VK_F1 = 0x70;    // VK_F1 + n - 1 is Fn, up to F12
inline constexpr int VK_F12 = 0x7B;

// Window styles.
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;

// Class styles.
inline constexpr std::uint32_t CS_VREDRAW = 0x0001;
inline constexpr std::uint32_t CS_HREDRAW = 0x0002;
inline constexpr std::uint32_t CS_DBLCLKS = 0x0008;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Scroll bars.
inline constexpr int SB_CTL = 2;
inline constexpr int SB_LINELEFT = 0;
inline constexpr int SB_LINERIGHT = 1;
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_ENDSCROLL = 8;

// Message boxes.
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Mouse tracking.
inline constexpr unsigned TME_HOVER = 0x01;
inline constexpr unsigned TME_LEAVE = 0x02;

// lParam bit of a key message sent while Alt is held (WM_SYSKEYDOWN).
inline constexpr LParam KEY_ALT_BIT = LParam{1} << 29;
// lParam bit of a key-down that repeats a held key.
inline constexpr LParam KEY_REPEAT_BIT = LParam{1} << 30;

// Canvas text formats.
inline constexpr unsigned DT_CENTER = 0x01;
inline constexpr unsigned DT_RIGHT = 0x02;
inline constexpr unsigned DT_VCENTER = 0x04;
inline constexpr unsigned DT_SINGLELINE = 0x20;
// Not a classic format bit: the text is UTF-8 rather than GBK, for
// characters GBK cannot hold (phonetic symbols).
inline constexpr unsigned DT_UTF8 = 0x40000000;

}  // namespace plat
