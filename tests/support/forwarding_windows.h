// A window system that passes every call on to another one. Test doubles
// derive from it and override only the calls they record.
#pragma once

#include "platform/platform.h"

namespace kestran::testing {

class ForwardingWindows : public plat::WindowSystem {
public:
    explicit ForwardingWindows(plat::WindowSystem& inner) : inner_(inner) {}

    bool RegisterClass(const plat::WindowClass& c) override { return inner_.RegisterClass(c); }
    plat::Window CreateWindow(const char* cls, const char* title, std::uint32_t style, int x, int y, int w, int h,
                              plat::Window parent) override {
        return inner_.CreateWindow(cls, title, style, x, y, w, h, parent);
    }
    plat::Window CreateDialog(const plat::DialogTemplate& t, plat::Window owner, plat::DialogProc proc,
                              plat::LParam p) override {
        return inner_.CreateDialog(t, owner, proc, p);
    }
    plat::Window GetDlgItem(plat::Window d, int id) override { return inner_.GetDlgItem(d, id); }
    bool ShowWindow(plat::Window w, int cmd) override { return inner_.ShowWindow(w, cmd); }
    plat::LResult DefWindowProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) override {
        return inner_.DefWindowProc(w, m, wp, lp);
    }
    bool GetMessage(plat::Message& m) override { return inner_.GetMessage(m); }
    bool PeekMessage(plat::Message& m) override { return inner_.PeekMessage(m); }
    void TranslateMessage(const plat::Message& m) override { inner_.TranslateMessage(m); }
    plat::LResult DispatchMessage(const plat::Message& m) override { return inner_.DispatchMessage(m); }
    void PostQuitMessage(int code) override { inner_.PostQuitMessage(code); }
    bool PostMessage(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) override {
        return inner_.PostMessage(w, m, wp, lp);
    }
    bool SetTimer(plat::Window w, std::uintptr_t id, unsigned ms) override { return inner_.SetTimer(w, id, ms); }
    bool KillTimer(plat::Window w, std::uintptr_t id) override { return inner_.KillTimer(w, id); }
    std::int16_t GetKeyState(int vk) override { return inner_.GetKeyState(vk); }
    bool TrackMouseEvent(plat::Window w, unsigned flags, unsigned hover) override {
        return inner_.TrackMouseEvent(w, flags, hover);
    }
    unsigned GetDlgItemText(plat::Window d, int id, char* b, int n) override { return inner_.GetDlgItemText(d, id, b, n); }
    bool SetDlgItemText(plat::Window d, int id, const char* t) override { return inner_.SetDlgItemText(d, id, t); }
    bool SetScrollRange(plat::Window s, int bar, int lo, int hi, bool r) override {
        return inner_.SetScrollRange(s, bar, lo, hi, r);
    }
    int SetScrollPos(plat::Window s, int bar, int pos, bool r) override { return inner_.SetScrollPos(s, bar, pos, r); }
    bool InvalidateRect(plat::Window w, bool erase) override { return inner_.InvalidateRect(w, erase); }
    plat::PaintContext BeginPaint(plat::Window w) override { return inner_.BeginPaint(w); }
    void EndPaint(plat::Window w, plat::PaintContext c) override { inner_.EndPaint(w, c); }
    int MessageBox(plat::Window o, const char* t, const char* c, unsigned type) override {
        return inner_.MessageBox(o, t, c, type);
    }
    bool GetOpenFileName(plat::OpenFileRequest& r) override { return inner_.GetOpenFileName(r); }

private:
    plat::WindowSystem& inner_;
};

}  // namespace kestran::testing
