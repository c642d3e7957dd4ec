#include "tools/wordbooks/qt_meaning_ink.h"

#include <QFontInfo>
#include <cmath>

#include "drill/texts.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_text_cache.h"

namespace kestran::wordbooks {

struct QtMeaningMeter::State {
    // The canvas's own device makes the font, so the stand-in face and the
    // sizing are the ones the drill gets.
    plat::qt::QtCanvasDevice device{QSize(canvas::kCanvasWidth, canvas::kCanvasHeight)};
    plat::CanvasFontObject* font = device.CreateFont(canvas::kWordFontSize.height, canvas::kWordFontSize.width, 0,
                                                     texts::kWordFontFace);
    plat::qt::TextPictureCache pictures;
};

QtMeaningMeter::QtMeaningMeter() : state_(std::make_unique<State>()) {}
QtMeaningMeter::~QtMeaningMeter() = default;

namespace {

InkSpan SpanOf(const plat::qt::TextPicture& picture, const plat::Rect& rect) {
    if (picture.image.isNull()) return {};
    const double left = rect.left + picture.offset.x();
    const double right = left + picture.image.deviceIndependentSize().width();
    return {static_cast<int>(std::floor(left)), static_cast<int>(std::ceil(right))};
}

}  // namespace

MeaningInk QtMeaningMeter::Measure(std::string_view gbk) {
    MeaningInk ink;
    if (!state_->font) return ink;
    const auto lay = [&](const plat::Rect& rect, unsigned format) {
        const QSize size(rect.right - rect.left, rect.bottom - rect.top);
        const auto& picture = state_->pictures.Get(state_->font->font, 1, gbk, size,
                                                   plat::qt::TextFlagsFor(format), 0xFFFFFFFFu);
        return SpanOf(picture, rect);
    };
    ink.practice = lay(kPracticeMeaningRect, kPracticeFormat);
    ink.test = lay(kTestMeaningRect, kTestFormat);
    return ink;
}

std::string QtMeaningMeter::FontFamily() const {
    if (!state_->font) return {};
    return QFontInfo(state_->font->font).family().toStdString();
}

}  // namespace kestran::wordbooks
