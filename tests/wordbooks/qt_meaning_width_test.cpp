// Every meaning of the word books on the canvas, in the Qt backend's canvas
// font (the face the drill finds on this machine).
#include <gtest/gtest.h>

#include "tests/wordbooks/meaning_width_check.h"
#include "tools/wordbooks/qt_meaning_ink.h"

namespace {

using namespace kestran::wordbooks;

TEST(WordBookMeanings, EveryMeaningFitsTheCanvasInTheQtCanvasFont) {
    QtMeaningMeter meter;
    ASSERT_FALSE(meter.FontFamily().empty());
    test::ExpectEveryMeaningOnCanvas([&](std::string_view gbk) { return meter.Measure(gbk); },
                                     "Qt (" + meter.FontFamily() + ")");
}

}  // namespace
