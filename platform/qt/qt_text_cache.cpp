#include "platform/qt/qt_text_cache.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/gbk.h"

namespace plat::qt {

namespace {

// The part of a premultiplied image that has any ink.
QRect InkBounds(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

TextPicture TextPictureCache::Render(const QFont& font, const QString& text, QSize rectSize, int flags,
                                     std::uint32_t argb, double pixelRatio) {
    TextPicture picture;
    const QRect rect(QPoint(0, 0), rectSize);
    flags |= Qt::TextDontClip;  // clipped to the real rectangle when drawn
    const QFontMetrics metrics(font);
    // Room for everything the layout may touch: the rectangle, text running
    // past it, and glyphs reaching beyond their advance.
    const int margin = metrics.height();
    const QRect area = (rect | metrics.boundingRect(rect, flags, text)).adjusted(-margin, -margin, margin, margin);

    QImage canvas(area.size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(pixelRatio);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.translate(-area.topLeft());
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(argb));
    QRect drawn;
    painter.drawText(rect, flags, text, &drawn);
    painter.end();

    picture.height = drawn.height();
    const QRect ink = InkBounds(canvas);
    if (!ink.isNull()) {
        picture.image = canvas.copy(ink);
        picture.image.setDevicePixelRatio(pixelRatio);
        picture.offset = QPointF(area.topLeft()) + QPointF(ink.topLeft()) / pixelRatio;
    }
    return picture;
}

const TextPicture& TextPictureCache::Get(const QFont& font, std::uintptr_t fontId, std::string_view gbk,
                                         QSize rectSize, int flags, std::uint32_t argb, double pixelRatio,
                                         bool utf8) {
    // Left- and top-aligned text is laid out the same in any width or
    // height; clipping to the real rectangle happens when it is drawn.
    const bool widthMatters = (flags & (Qt::AlignHCenter | Qt::AlignRight)) != 0;
    const bool heightMatters = (flags & (Qt::AlignVCenter | Qt::AlignBottom)) != 0;
    const int keyWidth = widthMatters ? rectSize.width() : 0;
    const int keyHeight = heightMatters ? rectSize.height() : 0;

    // Built in a buffer kept between calls: a frame looks up every text it
    // paints, and a fresh key would cost an allocation each time.
    std::string& key = key_;
    key.clear();
    key.append(reinterpret_cast<const char*>(&pixelRatio), sizeof pixelRatio);
    for (std::uint64_t part : {std::uint64_t{fontId}, std::uint64_t(unsigned(flags)), std::uint64_t{argb},
                               std::uint64_t(unsigned(keyWidth)), std::uint64_t(unsigned(keyHeight)),
                               std::uint64_t{utf8}})
        key.append(reinterpret_cast<const char*>(&part), sizeof part);
    key.append(gbk);

    if (auto found = pictures_.find(key); found != pictures_.end()) return found->second;
    if (pictures_.size() >= kCapacity) pictures_.clear();  // a new list: start over
    // The unkeyed dimensions are laid out at a size the text cannot exceed.
    QSize layoutSize = rectSize;
    if (!widthMatters) layoutSize.setWidth(1);
    if (!heightMatters) layoutSize.setHeight(1);
    const QString text = QString::fromStdString(utf8 ? std::string(gbk) : GbkToUtf8(gbk));
    return pictures_.emplace(key, Render(font, text, layoutSize, flags, argb, pixelRatio)).first->second;
}

}  // namespace plat::qt
