#include "platform/qt/qt_slider_style.h"

#include <QPainter>
#include <QStyleOptionComplex>

namespace plat::qt {

void VisibleThumbStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                           QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control != CC_ScrollBar) return;
    // One pixel wider than the style's thumb, to cover its outline.
    const QRect thumb = subControlRect(control, option, SC_ScrollBarSlider, widget).adjusted(-1, 1, 1, -1);
    if (thumb.width() < 3 || thumb.height() < 3) return;
    const bool pressed = (option->activeSubControls & SC_ScrollBarSlider) && (option->state & State_Sunken);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QColor::fromRgb(kThumbEdge));
    painter->setBrush(QColor::fromRgb(pressed ? kThumbPressed : kThumb));
    painter->drawRoundedRect(QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    painter->restore();
}

VisibleThumbStyle* SliderStyle() {
    static auto* style = new VisibleThumbStyle();
    return style;
}

}  // namespace plat::qt
