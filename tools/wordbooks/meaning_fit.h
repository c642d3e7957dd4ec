// Where the canvas draws a list's meanings, and when a meaning fits there.
// A meaning is drawn twice: moving with its word in practice, and centred
// alone in the test. It fits when its ink lies on the canvas in both.
#pragma once

#include "platform/types.h"
#include "ui/canvas_layout.h"

namespace kestran::wordbooks {

// Columns of ink, in canvas pixels: first and one past the last. An empty
// span (left == right) is a text that leaves no ink.
struct InkSpan {
    int left = 0, right = 0;
};

// The moving meaning is measured where its word enters the canvas whole
// (scrollX 0): from there on all of it is in view together.
inline constexpr int kPracticeScrollX = 0;
inline constexpr plat::Rect kPracticeMeaningRect = canvas::meaningRect(kPracticeScrollX);
inline constexpr unsigned kPracticeFormat = canvas::kLeftTop;
inline constexpr plat::Rect kTestMeaningRect = canvas::testMeaningRect;
inline constexpr unsigned kTestFormat = canvas::kCentred;

struct MeaningInk {
    InkSpan practice, test;
};

// Both spans inside the canvas's columns and not empty.
inline bool FitsCanvas(const MeaningInk& ink) {
    const auto inside = [](InkSpan span) {
        return span.left < span.right && span.left >= 0 && span.right <= canvas::kCanvasWidth;
    };
    return inside(ink.practice) && inside(ink.test);
}

}  // namespace kestran::wordbooks
