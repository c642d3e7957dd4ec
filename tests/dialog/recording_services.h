// Test doubles around the headless backend: a window system that records the
// calls the dialog and the buttons make before passing them on, and an
// imaging service with made-up pictures that records what is drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"

namespace dialog_test {

class RecordingWindows final : public plat::WindowSystem {
public:
    explicit RecordingWindows(plat::HeadlessWindowSystem& inner) : inner_(inner) {}

    struct Invalidation {
        plat::Window window;
        bool erase;
    };
    struct Tracking {
        plat::Window window;
        unsigned flags;
        unsigned hoverTimeMs;
    };
    std::vector<Invalidation> invalidations;
    std::vector<Tracking> trackings;
    std::vector<plat::MessageId> defaultHandled;
    int paints = 0;
    // Called at each invalidation, before it is passed on.
    std::function<void(plat::Window, bool)> onInvalidate;

    void Forget() {
        invalidations.clear();
        trackings.clear();
        defaultHandled.clear();
        paints = 0;
    }

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
        defaultHandled.push_back(m);
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
        trackings.push_back({w, flags, hover});
        return inner_.TrackMouseEvent(w, flags, hover);
    }
    unsigned GetDlgItemText(plat::Window d, int id, char* b, int n) override { return inner_.GetDlgItemText(d, id, b, n); }
    bool SetDlgItemText(plat::Window d, int id, const char* t) override { return inner_.SetDlgItemText(d, id, t); }
    bool SetScrollRange(plat::Window s, int bar, int lo, int hi, bool r) override {
        return inner_.SetScrollRange(s, bar, lo, hi, r);
    }
    int SetScrollPos(plat::Window s, int bar, int pos, bool r) override { return inner_.SetScrollPos(s, bar, pos, r); }
    bool InvalidateRect(plat::Window w, bool erase) override {
        invalidations.push_back({w, erase});
        if (onInvalidate) onInvalidate(w, erase);
        return inner_.InvalidateRect(w, erase);
    }
    plat::PaintContext BeginPaint(plat::Window w) override {
        ++paints;
        return inner_.BeginPaint(w);
    }
    void EndPaint(plat::Window w, plat::PaintContext c) override { inner_.EndPaint(w, c); }
    int MessageBox(plat::Window o, const char* t, const char* c, unsigned type) override {
        return inner_.MessageBox(o, t, c, type);
    }
    bool GetOpenFileName(plat::OpenFileRequest& r) override { return inner_.GetOpenFileName(r); }

private:
    plat::HeadlessWindowSystem& inner_;
};

// Pictures are tags, never dereferenced; each file name gets its own.
class StubImaging final : public plat::Imaging {
public:
    struct Size {
        unsigned width, height;
    };
    struct Draw {
        std::string file;
        int x, y, width, height;
        bool operator==(const Draw&) const = default;
    };
    std::map<std::string, Size> sizes;       // files that load, with their size
    std::vector<std::string> unmakeable;     // files whose object cannot be made
    std::vector<std::string> loads;
    std::vector<Draw> draws;

    // Encoders, as (MIME type, first class-id byte).
    std::vector<std::pair<std::u16string, std::uint8_t>> encoders;
    bool fillFails = false;
    unsigned reportedCount = 0;  // when non-zero, a count that disagrees with the block

    bool Startup() override { return true; }
    plat::Image LoadImage(const char* path) override {
        std::string file = path ? path : "";
        loads.push_back(file);
        for (const std::string& u : unmakeable)
            if (u == file) return nullptr;
        auto it = tags_.find(file);
        if (it == tags_.end()) it = tags_.emplace(file, 0x1000 + 0x10 * tags_.size()).first;
        return reinterpret_cast<plat::Image>(it->second);
    }
    unsigned ImageWidth(plat::Image image) override { return SizeOf(image).width; }
    unsigned ImageHeight(plat::Image image) override { return SizeOf(image).height; }
    void DrawImage(plat::PaintContext, plat::Image image, int x, int y, int w, int h) override {
        draws.push_back({FileOf(image), x, y, w, h});
    }
    void GetImageEncodersSize(unsigned* count, unsigned* bytes) override {
        *count = reportedCount ? reportedCount : static_cast<unsigned>(encoders.size());
        *bytes = static_cast<unsigned>(encoders.size() * sizeof(plat::ImageCodecInfo));
    }
    void GetImageEncoders(unsigned, unsigned, plat::ImageCodecInfo* out) override {
        if (fillFails) return;
        for (std::size_t i = 0; i < encoders.size(); ++i) {
            out[i].classId = plat::Guid{};
            out[i].classId.bytes[0] = encoders[i].second;
            out[i].mimeType = encoders[i].first.c_str();
        }
    }
    bool SaveImage(plat::Image, const char*, const plat::Guid&) override { return false; }
    plat::Bitmap LoadBitmapFile(const char*) override { return nullptr; }
    plat::Brush CreatePatternBrush(plat::Bitmap) override { return nullptr; }
    plat::Brush CreateSolidBrush(plat::ColourRef) override { return nullptr; }

private:
    std::string FileOf(plat::Image image) const {
        for (const auto& [file, tag] : tags_)
            if (reinterpret_cast<plat::Image>(tag) == image) return file;
        return "?";
    }
    Size SizeOf(plat::Image image) const {
        auto it = sizes.find(FileOf(image));
        return it == sizes.end() ? Size{0, 0} : it->second;
    }
    std::map<std::string, std::uintptr_t> tags_;
};

}  // namespace dialog_test
