#include "ui/frame_contents.h"

#include "ui/canvas_layout.h"

namespace kestran {

namespace {
bool SameRect(const plat::Rect& a, const plat::Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

void FrameContents::Clear(plat::Argb background) {
    background_ = background;
    texts_.clear();
    items_.clear();
}

void FrameContents::AddText(plat::CanvasFontObject* font, std::string_view text, const plat::Rect& rect,
                            unsigned format, plat::Argb colour) {
    Item item;
    item.font = font;
    item.textStart = texts_.size();
    item.textLength = text.size();
    item.rect = rect;
    item.format = format;
    item.colour = colour;
    texts_.append(text);
    items_.push_back(item);
}

void FrameContents::AddCell(plat::CanvasTextureObject* texture, const plat::Rect& source, float x, float y) {
    Item item;
    item.cell = true;
    item.texture = texture;
    item.rect = source;
    item.x = x;
    item.y = y;
    items_.push_back(item);
}

void FrameContents::DrawOn(plat::CanvasDevice& device) const {
    for (const Item& item : items_) {
        if (item.cell) {
            device.SpriteBegin();
            device.SpriteDraw(item.texture, item.rect, item.x, item.y, canvas::kUntinted);
            device.SpriteEnd();
        } else {
            device.DrawText(item.font, texts_.data() + item.textStart, static_cast<int>(item.textLength), item.rect,
                            item.format, item.colour);
        }
    }
}

bool FrameContents::Item::operator==(const Item& other) const {
    return cell == other.cell && font == other.font && texture == other.texture && textLength == other.textLength &&
           SameRect(rect, other.rect) && format == other.format && colour == other.colour && x == other.x &&
           y == other.y;
}

bool FrameContents::operator==(const FrameContents& other) const {
    if (background_ != other.background_ || items_.size() != other.items_.size()) return false;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const Item& a = items_[i];
        const Item& b = other.items_[i];
        if (!(a == b) ||
            std::string_view(texts_).substr(a.textStart, a.textLength) !=
                std::string_view(other.texts_).substr(b.textStart, b.textLength))
            return false;
    }
    return true;
}

}  // namespace kestran
