// The speed slider's thumb: the default style draws it barely darker than
// the trough (grey 248 on 230), so it is drawn over in a grey that stands
// out. Only the look changes; sizes and behaviour stay the style's own.
#pragma once

#include <QRgb>

class QScrollBar;
class QStyleOptionSlider;

namespace plat::qt {

inline constexpr QRgb kThumbGrey = 0xFF808080u;
inline constexpr QRgb kThumbPressedGrey = 0xFF606060u;
inline constexpr QRgb kThumbEdgeGrey = 0xFF505050u;

// Paints the thumb of a scroll bar that has just been painted by its style.
void PaintVisibleThumb(QScrollBar& bar, const QStyleOptionSlider& option);

}  // namespace plat::qt
