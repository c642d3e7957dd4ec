// The window system on the classic Win32 calls: windows belong to the
// thread that creates them and each thread's queue is the system's own.
// Everything shown or read goes through the wide calls, converted from and
// to GBK explicitly, so Chinese shows whatever the system code page is.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_post_signals.h"
#include "platform/win32/win32_timers.h"

namespace plat::win32 {

class Win32WindowSystem final : public WindowSystem {
public:
    KESTRAN_WINDOW_CALLS(KESTRAN_DECLARE_OVERRIDE)

private:
    TimerThread timers_;
    PostSignals posted_;
};

}  // namespace plat::win32
