// Where and how the canvas draws: rectangles, text formats, the animation
// strip's cells and the credit line. Canvas pixels are 480 by 75; a
// rectangle is left, top, right, bottom.
#pragma once

#include <array>

#include "platform/types.h"

namespace kestran::canvas {

inline constexpr int kCanvasX = 58;
inline constexpr int kCanvasY = 33;
inline constexpr int kCanvasWidth = 480;
inline constexpr int kCanvasHeight = 75;
// Pure blue as a 0x00BBGGRR colour reference.
inline constexpr plat::ColourRef kCanvasBrushColour = 0x00FF0000;

// The moving word and its meaning run on past the right edge, so a word
// stays whole until it has left the canvas.
inline constexpr plat::Rect wordRect(int scrollX) { return {scrollX, 16, 500, 82}; }
inline constexpr plat::Rect meaningRect(int scrollX) { return {scrollX, 36, 500, 82}; }

inline constexpr plat::Rect orderLabelRect{10, 0, 60, 60};
inline constexpr plat::Rect progressRect{0, 56, 470, 125};
inline constexpr plat::Rect effectsLabelRect{0, 59, 480, 160};
inline constexpr plat::Rect messageRect{0, 0, 480, 75};
inline constexpr plat::Rect testMeaningRect{0, 0, 480, 75};
inline constexpr plat::Rect modeLabelRect{0, 0, 480, 20};
inline constexpr plat::Rect correctLabelRect{340, 56, 370, 82};
inline constexpr plat::Rect correctCountRect{371, 56, 407, 82};
inline constexpr plat::Rect wrongLabelRect{410, 56, 440, 82};
inline constexpr plat::Rect wrongCountRect{441, 56, 477, 82};

inline constexpr unsigned kLeftTop = plat::DT_SINGLELINE;
inline constexpr unsigned kRightTop = plat::DT_SINGLELINE | plat::DT_RIGHT;
inline constexpr unsigned kCentred = plat::DT_CENTER | plat::DT_VCENTER;
inline constexpr unsigned kCentredTop = plat::DT_CENTER;

// The note a feature may show beside the moving word (its phonetic
// transcription): on the word's line, right of the word and clear of the
// hit animation's cell, which stands where the word does. Its rectangle
// ends above the meaning's glyphs and below the mode label's, so the note
// never touches either.
inline constexpr int kNoteGap = 8;
inline constexpr int kNoteTop = 21;
inline constexpr int kNoteBottom = 38;
inline constexpr plat::Rect noteRect(int scrollX, int wordWidth) {
    return {scrollX + (wordWidth > 38 ? wordWidth : 38) + kNoteGap, kNoteTop, 500, kNoteBottom};
}

// Fonts: cell height and average character width in pixels.
struct FontSize {
    int height, width;
};
inline constexpr FontSize kWordFontSize{21, 8};
inline constexpr FontSize kLabelFontSize{18, 7};
inline constexpr FontSize kCreditFontSize{20, 8};
// The note's face has the phonetic symbols (IPA); width 0: its own proportions.
inline constexpr FontSize kNoteFontSize{16, 0};
inline constexpr char kNoteFontFace[] = "DejaVu Sans";

// The hit animation strip: six 38 by 38 cells side by side, each shown for
// framesPerCell frames.
inline constexpr char kAnimStripPath[] = "RES\\27.png";
inline constexpr int kAnimCellSize = 38;
inline constexpr int kAnimCellCount = 6;
inline constexpr int framesPerCell = 7;
inline constexpr int kAnimFrames = kAnimCellCount * framesPerCell;
inline constexpr plat::Argb kAnimColourKey = 0xFF000000;  // opaque black turns transparent
inline constexpr plat::Argb kUntinted = 0xFFFFFFFF;
inline constexpr std::array<plat::Rect, kAnimCellCount> animCells = [] {
    std::array<plat::Rect, kAnimCellCount> cells{};
    for (int i = 0; i < kAnimCellCount; ++i)
        cells[i] = {kAnimCellSize * i, 0, kAnimCellSize * i + kAnimCellSize, kAnimCellSize};
    return cells;
}();
inline constexpr float kTestHitX = 220.0f;
inline constexpr float kHitY = 20.0f;

// Shown while no list is loaded: what the program is and what to do first.
inline constexpr char kCreditLine[] = "KESTRAN 1.0 - open a word list to begin";

}  // namespace kestran::canvas
