// The speed slider's look: the default style draws its thumb barely darker
// than the trough (grey 248 on 230), so the thumb is drawn over in a grey
// that stands out. Only the look changes; sizes and behaviour are the
// style's own.
#pragma once

#include <QProxyStyle>

namespace plat::qt {

class VisibleThumbStyle final : public QProxyStyle {
public:
    static constexpr QRgb kThumb = 0xFF808080u;
    static constexpr QRgb kThumbPressed = 0xFF606060u;
    static constexpr QRgb kThumbEdge = 0xFF505050u;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
};

// One style object for every slider; it lives as long as the program.
VisibleThumbStyle* SliderStyle();

}  // namespace plat::qt
