#include "platform/qt/qt_slider_style.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

namespace plat::qt {

void PaintVisibleThumb(QScrollBar& bar, const QStyleOptionSlider& option) {
    // One pixel wider than the style's thumb, to cover its outline.
    const QRect thumb =
        bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar).adjusted(-1, 1, 1, -1);
    if (thumb.width() < 3 || thumb.height() < 3) return;
    QPainter painter(&bar);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor::fromRgb(kThumbEdgeGrey));
    painter.setBrush(QColor::fromRgb(bar.isSliderDown() ? kThumbPressedGrey : kThumbGrey));
    painter.drawRoundedRect(QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
}

}  // namespace plat::qt
