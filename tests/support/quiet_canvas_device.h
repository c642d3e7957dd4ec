// A canvas device that draws nothing and counts the frames that reach the
// display: presented, or kept as the one on screen. Tests of what asks for
// frames (the render loop, a backend's canvas window) use it as it is or
// override the calls they watch.
#pragma once

#include <atomic>

#include "platform/platform.h"

namespace kestran::testing {

class QuietCanvasDevice : public plat::CanvasDevice {
public:
    std::atomic<int> presents{0}, keeps{0};

    int Frames() const { return presents + keeps; }

    plat::DeviceStatus TestCooperativeLevel() override { return plat::DeviceStatus::Ok; }
    bool Reset() override { return true; }
    void Clear(plat::Argb) override {}
    void BeginScene() override {}
    void EndScene() override {}
    // Any non-null handle: the renderer only hands it back.
    plat::CanvasFontObject* CreateFont(int, int, int, const char*) override {
        return reinterpret_cast<plat::CanvasFontObject*>(&tag_);
    }
    int DrawText(plat::CanvasFontObject*, const char*, int, const plat::Rect&, unsigned, plat::Argb) override {
        return 0;
    }
    plat::CanvasTextureObject* CreateTextureFromFile(const char*, int, int, plat::Argb) override { return nullptr; }
    void SpriteBegin() override {}
    void SpriteDraw(plat::CanvasTextureObject*, const plat::Rect&, float, float, plat::Argb) override {}
    void SpriteEnd() override {}
    plat::DeviceStatus Present() override {
        ++presents;
        return plat::DeviceStatus::Ok;
    }
    void KeepFrame() override { ++keeps; }

private:
    int tag_ = 0;
};

}  // namespace kestran::testing
