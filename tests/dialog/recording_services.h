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
#include "tests/support/forwarding_windows.h"

namespace dialog_test {

class RecordingWindows final : public kestran::testing::ForwardingWindows {
public:
    explicit RecordingWindows(plat::HeadlessWindowSystem& inner) : ForwardingWindows(inner) {}

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

    plat::LResult DefWindowProc(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) override {
        defaultHandled.push_back(m);
        return ForwardingWindows::DefWindowProc(w, m, wp, lp);
    }
    bool TrackMouseEvent(plat::Window w, unsigned flags, unsigned hover) override {
        trackings.push_back({w, flags, hover});
        return ForwardingWindows::TrackMouseEvent(w, flags, hover);
    }
    bool InvalidateRect(plat::Window w, bool erase) override {
        invalidations.push_back({w, erase});
        if (onInvalidate) onInvalidate(w, erase);
        return ForwardingWindows::InvalidateRect(w, erase);
    }
    plat::PaintContext BeginPaint(plat::Window w) override {
        ++paints;
        return ForwardingWindows::BeginPaint(w);
    }
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
