// A window system that passes every call on to another one. Test doubles
// derive from it and override only the calls they record.
#pragma once

#include "platform/platform.h"

namespace kestran::testing {

class ForwardingWindows : public plat::WindowSystem {
public:
    explicit ForwardingWindows(plat::WindowSystem& inner) : inner_(inner) {}

#define KESTRAN_FORWARD_TO_INNER(result, name, params, args, fallback) \
    result name params override { return inner_.name args; }
    // The list names its types unqualified, as inside the platform namespace.
    using Window = plat::Window;
    using WindowClass = plat::WindowClass;
    using DialogTemplate = plat::DialogTemplate;
    using DialogProc = plat::DialogProc;
    using LParam = plat::LParam;
    using WParam = plat::WParam;
    using LResult = plat::LResult;
    using MessageId = plat::MessageId;
    using Message = plat::Message;
    using PaintContext = plat::PaintContext;
    using OpenFileRequest = plat::OpenFileRequest;
    using PopupMenuItem = plat::PopupMenuItem;
    KESTRAN_WINDOW_CALLS(KESTRAN_FORWARD_TO_INNER)
#undef KESTRAN_FORWARD_TO_INNER

private:
    plat::WindowSystem& inner_;
};

}  // namespace kestran::testing
