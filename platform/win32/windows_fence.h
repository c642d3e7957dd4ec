// The one way into <windows.h> for the Windows backend. The contract names
// many of its calls and constants like the system does; <windows.h> makes
// those names macros (GetMessage -> GetMessageA, WM_CREATE -> 0x0001), which
// would rename or break the contract. So: the contract first, then the system
// headers, then every clashing macro undefined. Backend code calls the system
// by explicit names (::GetMessageW, ::CreateWindowExW) and reaches the
// system's constants as sys::WM_CREATE; the checks at the bottom keep the
// contract's values equal to the system's.
#pragma once

#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

// Constants the contract shares with the system.
#define KESTRAN_SHARED_CONSTANTS(X) \
    X(CS_DBLCLKS) \
    X(CS_HREDRAW) \
    X(CS_VREDRAW) \
    X(DT_CENTER) \
    X(DT_RIGHT) \
    X(DT_SINGLELINE) \
    X(DT_VCENTER) \
    X(IDCANCEL) \
    X(IDOK) \
    X(MB_ICONINFORMATION) \
    X(MB_ICONWARNING) \
    X(MB_OKCANCEL) \
    X(SB_CTL) \
    X(SB_ENDSCROLL) \
    X(SB_LINELEFT) \
    X(SB_LINERIGHT) \
    X(SB_PAGELEFT) \
    X(SB_PAGERIGHT) \
    X(SB_THUMBPOSITION) \
    X(SB_THUMBTRACK) \
    X(SW_HIDE) \
    X(SW_SHOWNORMAL) \
    X(TME_HOVER) \
    X(TME_LEAVE) \
    X(VK_APPS) \
    X(VK_BACK) \
    X(VK_CONTROL) \
    X(VK_DELETE) \
    X(VK_DOWN) \
    X(VK_END) \
    X(VK_F1) \
    X(VK_F12) \
    X(VK_ESCAPE) \
    X(VK_HOME) \
    X(VK_LEFT) \
    X(VK_MENU) \
    X(VK_RETURN) \
    X(VK_RIGHT) \
    X(VK_SHIFT) \
    X(VK_SPACE) \
    X(VK_TAB) \
    X(VK_UP) \
    X(WA_INACTIVE) \
    X(WM_ACTIVATE) \
    X(WM_APP) \
    X(WM_CHAR) \
    X(WM_CLOSE) \
    X(WM_ENDSESSION) \
    X(WM_ERASEBKGND) \
    X(WM_CREATE) \
    X(WM_CTLCOLORDLG) \
    X(WM_DESTROY) \
    X(WM_HSCROLL) \
    X(WM_INITDIALOG) \
    X(WM_KEYDOWN) \
    X(WM_KEYUP) \
    X(WM_LBUTTONDBLCLK) \
    X(WM_LBUTTONDOWN) \
    X(WM_LBUTTONUP) \
    X(WM_MOUSEHOVER) \
    X(WM_MOUSELEAVE) \
    X(WM_MOUSEMOVE) \
    X(WM_PAINT) \
    X(WM_QUIT) \
    X(WM_RBUTTONDOWN) \
    X(WM_RBUTTONUP) \
    X(WM_SYSKEYDOWN) \
    X(WM_SYSKEYUP) \
    X(WM_TIMER) \
    X(WS_CHILD) \
    X(WS_VISIBLE)

namespace plat::win32::sys {
#define KESTRAN_CAPTURE(name) inline constexpr auto name##_value = name;
KESTRAN_SHARED_CONSTANTS(KESTRAN_CAPTURE)
#undef KESTRAN_CAPTURE
}  // namespace plat::win32::sys

#undef CreateDialog
#undef CreateFont
#undef CreateWindow
#undef DefWindowProc
#undef DispatchMessage
#undef DrawText
#undef GetCurrentDirectory
#undef GetDlgItemText
#undef GetMessage
#undef GetOpenFileName
#undef LoadImage
#undef MessageBox
#undef PeekMessage
#undef PostMessage
#undef RegisterClass
#undef SetCurrentDirectory
#undef SetDlgItemText
#undef CS_DBLCLKS
#undef CS_HREDRAW
#undef CS_VREDRAW
#undef DT_CENTER
#undef DT_RIGHT
#undef DT_SINGLELINE
#undef DT_VCENTER
#undef IDCANCEL
#undef IDOK
#undef MB_ICONWARNING
#undef MB_OKCANCEL
#undef SB_CTL
#undef SB_ENDSCROLL
#undef SB_LINELEFT
#undef SB_LINERIGHT
#undef SB_PAGELEFT
#undef SB_PAGERIGHT
#undef SB_THUMBPOSITION
#undef SB_THUMBTRACK
#undef SW_HIDE
#undef SW_SHOWNORMAL
#undef TME_HOVER
#undef TME_LEAVE
#undef VK_BACK
#undef VK_CONTROL
#undef VK_DELETE
#undef VK_DOWN
#undef VK_END
#undef VK_ESCAPE
#undef VK_HOME
#undef VK_LEFT
#undef VK_MENU
#undef VK_RETURN
#undef VK_RIGHT
#undef VK_SHIFT
#undef VK_SPACE
#undef VK_TAB
#undef VK_UP
#undef WA_INACTIVE
#undef WM_ACTIVATE
#undef WM_CHAR
#undef WM_CLOSE
#undef WM_ENDSESSION
#undef WM_ERASEBKGND
#undef WM_CREATE
#undef WM_CTLCOLORDLG
#undef WM_DESTROY
#undef WM_HSCROLL
#undef WM_INITDIALOG
#undef WM_KEYDOWN
#undef WM_KEYUP
#undef WM_LBUTTONDBLCLK
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_MOUSEHOVER
#undef WM_MOUSELEAVE
#undef WM_MOUSEMOVE
#undef WM_PAINT
#undef WM_QUIT
#undef WM_SYSKEYDOWN
#undef VK_APPS
#undef VK_F1
#undef VK_F12
#undef WM_APP
#undef WM_RBUTTONDOWN
#undef WM_RBUTTONUP
#undef WM_SYSKEYUP
#undef MB_ICONINFORMATION
#undef WM_TIMER
#undef WS_CHILD
#undef WS_VISIBLE

namespace plat::win32::sys {
#define KESTRAN_ALIAS(name) inline constexpr auto name = name##_value;
KESTRAN_SHARED_CONSTANTS(KESTRAN_ALIAS)
#undef KESTRAN_ALIAS
}  // namespace plat::win32::sys

#define KESTRAN_SAME_VALUE(name) \
    static_assert(static_cast<long long>(plat::name) == static_cast<long long>(plat::win32::sys::name), #name);
KESTRAN_SHARED_CONSTANTS(KESTRAN_SAME_VALUE)
#undef KESTRAN_SAME_VALUE
