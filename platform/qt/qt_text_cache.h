// Laid-out canvas text kept as small pictures. The canvas draws the same
// labels, word and meaning in every frame; laying them out again each time
// costs far more than copying their pixels, mostly in a thread that sleeps
// between frames and so starts every frame with cold caches.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace plat::qt {

// Text as drawText would lay it out in a rectangle, kept relative to the
// rectangle's top-left corner.
struct TextPicture {
    QImage image;    // premultiplied, at the device pixel ratio; empty when the text leaves no ink
    QPointF offset;  // of the image's top-left from the rectangle's, in logical pixels
    int height = 0; // of the laid-out text, as drawText reports it
};

class TextPictureCache {
public:
    // flags: Qt alignment and text flags. The picture is reused for any
    // rectangle where the layout comes out the same: only the dimensions
    // the alignment depends on are part of the key. The text is laid out in
    // logical pixels and drawn at pixelRatio device pixels to each.
    // The text is GBK (UTF-8 when utf8): it is converted only when it is
    // laid out, not at every frame that finds it here.
    const TextPicture& Get(const QFont& font, std::uintptr_t fontId, std::string_view gbk, QSize rectSize, int flags,
                           std::uint32_t argb, double pixelRatio = 1.0, bool utf8 = false);
    std::size_t Size() const { return pictures_.size(); }

    static constexpr std::size_t kCapacity = 128;

private:
    static TextPicture Render(const QFont& font, const QString& text, QSize rectSize, int flags, std::uint32_t argb,
                              double pixelRatio);
    std::unordered_map<std::string, TextPicture> pictures_;
    std::string key_;
};

}  // namespace plat::qt
