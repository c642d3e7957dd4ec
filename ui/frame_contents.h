// What one canvas frame shows, as the list of drawing calls it makes. Two
// frames with equal contents look the same, so the second need not be drawn.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kestran {

class FrameContents {
public:
    void Clear(plat::Argb background);
    void AddText(plat::CanvasFontObject* font, std::string_view text, const plat::Rect& rect, unsigned format,
                 plat::Argb colour);
    void AddCell(plat::CanvasTextureObject* texture, const plat::Rect& source, float x, float y);

    plat::Argb Background() const { return background_; }
    // Replays the calls on a device, between its scene brackets.
    void DrawOn(plat::CanvasDevice& device) const;

    bool operator==(const FrameContents& other) const;

private:
    struct Item {
        bool cell = false;
        plat::CanvasFontObject* font = nullptr;
        plat::CanvasTextureObject* texture = nullptr;
        std::size_t textStart = 0, textLength = 0;  // in texts_
        plat::Rect rect;  // text rectangle, or the cell of the strip
        unsigned format = 0;
        plat::Argb colour = 0;
        float x = 0, y = 0;

        bool operator==(const Item& other) const;
    };

    plat::Argb background_ = 0;
    // One buffer for all texts: no allocation per frame once warmed up.
    std::string texts_;
    std::vector<Item> items_;
};

}  // namespace kestran
