// The one record through which the three threads of the drill talk to each
// other: the loader fills it, the ticker, the test checker and the option
// buttons change it, and the canvas draws from it once per display refresh.
#pragma once

#include <cstdint>

#include "drill/shared.h"
#include "platform/types.h"
#include "wordlist/word_record.h"

namespace kestran {

struct TextStream;  // the open list file (wordlist/text_stream.h)

using ArgbField = Shared<std::uint32_t>;

// The working directory is kept whole. A 64-byte buffer lost any deeper
// directory, and with it the sound after the first list was opened.
inline constexpr std::size_t kStartDirectorySize = 4096;
// A chosen list path is kept whole up to the system's own limit (PATH_MAX):
// Chinese folder names in UTF-8 pass 260 bytes at about 80 characters.
inline constexpr std::size_t kListPathSize = 4096;

struct DrillState {
    // Word list.
    Flag listLoaded{0};
    TextStream* listFile = nullptr;          // UiThread only
    char listPath[kListPathSize] = {};       // UiThread only
    char startDirectory[kStartDirectorySize] = {};  // UiThread only
    Shared<WordRecord*> WordTable{nullptr};
    Shared<std::int32_t> wordCount{0};
    Shared<float> wordCountF{0.0f};
    Shared<std::int32_t*> drawnIndices{nullptr};

    // Practice.
    Shared<std::int32_t> scrollX{-20};
    Shared<std::int32_t> practiceIndex{0};
    Shared<std::int32_t> practicePrevIndex{0};
    Shared<std::int32_t> practiceDrawn{0};
    Shared<std::int32_t> practiceShown{0};
    Flag randomPassStarted{0};
    Flag sequentialPassStarted{0};
    Flag practiceFinished{0};
    Flag paused{0};
    Flag advanceRequested{0};
    Shared<std::int32_t> randomProgress{1};
    SharedText<32> sequentialProgressText{"1"};
    SharedText<32> randomProgressText{"1"};
    Flag practiceHitAnim{0};
    Shared<std::int32_t> hitAnimX{0};
    Shared<std::int32_t> animFrame{0};

    // Options.
    Flag randomOrder{0};
    Flag testMode{0};
    Flag effectsOff{0};
    Flag altColours{0};
    ArgbField clearColour{0xFF0000FFu};
    ArgbField wordColour{0xFFFFFF00u};
    ArgbField labelColour{0xFFFFFFFFu};

    // Test.
    Shared<std::int32_t> testIndex{0};
    Shared<std::int32_t> testPrevIndex{0};
    Shared<std::int32_t> testDrawn{0};
    Flag testRandomStarted{0};
    Shared<std::int32_t> correctCount{0};
    Shared<std::int32_t> wrongCount{0};
    SharedText<32> correctText{"0"};
    SharedText<32> wrongText{"0"};
    Shared<float> correctTotalF{0.0f};
    Shared<float> sequentialCorrectF{0.0f};
    Shared<std::int32_t> sequentialAnswered{0};
    Shared<std::int32_t> randomAnswered{0};
    // Set with a release store once resultText is complete; read with an
    // acquire load before resultText is drawn.
    Flag testFinished{0};
    Shared<std::int32_t> testScore{0};
    SharedText<64> resultText{""};
    SharedText<16> scoreText{""};
    Flag resultPending{1};
    Flag testHitAnim{0};
    Flag hitAnimBlocked{0};
    SharedText<64> typedAnswer{""};
};

// The process's one instance.
extern DrillState drill;

// Window handles, each written once by the thread that creates the window.
extern Shared<plat::Window> MainDialog;
extern Shared<plat::Window> Canvas;
extern Shared<plat::Window> TickerWindow;

// Control identifiers of the dialog.
inline constexpr int kAnswerBoxId = 1002;
inline constexpr int kSpeedSliderId = 1007;

// Puts every field back to its start value. Tests only: the program never
// resets the record as a whole.
void ResetDrillStateForTest();

}  // namespace kestran
