#include "ui/renderer.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ui/canvas_proc.h"
#include "drill/change_signal.h"
#include "drill/create_child_window.h"
#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/texts.h"
#include "ui/canvas_layout.h"
#include "ui/frame_contents.h"
#include "ui/frame_wait.h"

namespace kestran {

using namespace canvas;

namespace {

// Everything RenderThread draws with; made once, never released.
struct CanvasObjects {
    plat::CanvasDevice* device = nullptr;
    plat::CanvasFontObject* wordFont = nullptr;
    plat::CanvasFontObject* labelFont = nullptr;
    plat::CanvasFontObject* creditFont = nullptr;
    plat::CanvasFontObject* noteFont = nullptr;  // made when a feature first has a note
    plat::CanvasTextureObject* animTexture = nullptr;
};
CanvasObjects objects;

// Said once, on stderr: the drill works without a canvas, so this is no
// error of the drill, only a missing view of it.
void NoteOnce(std::atomic<bool>& said, const char* line) {
    if (!said.exchange(true)) std::fputs(line, stderr);
}
std::atomic<bool> saidNoDevice{false};
std::atomic<bool> saidNoFont{false};

plat::CanvasTextureObject* LoadAnimTexture(plat::CanvasDevice* device) {
    return device->CreateTextureFromFile(kAnimStripPath, kAnimCellSize * kAnimCellCount, kAnimCellSize,
                                         kAnimColourKey);
}

// Frames are recorded only while this is true; the state changes run always.
bool drawing = false;

// The frame being recorded, and the one on screen. A frame that would look
// like the one on screen is not drawn again; the loop still makes a frame at
// every refresh while the drill state changes, so the animation and the
// other per-frame changes keep their pace.
FrameContents frame;
FrameContents shown;
bool shownValid = false;

void DrawItem(plat::CanvasFontObject* font, const char* text, std::size_t length, const plat::Rect& rect,
              unsigned format, plat::Argb colour) {
    if (drawing) frame.AddText(font, std::string_view(text, length), rect, format, colour);
}
template <std::size_t N>
void DrawItem(plat::CanvasFontObject* font, const char (&text)[N], const plat::Rect& rect, unsigned format,
              plat::Argb colour) {
    DrawItem(font, text, N - 1, rect, format, colour);
}
template <std::size_t N>
void DrawItem(plat::CanvasFontObject* font, const std::array<char, N>& text, const plat::Rect& rect,
              unsigned format, plat::Argb colour) {
    DrawItem(font, text.data(), strnlen(text.data(), N), rect, format, colour);
}

// Fields are bounded by their size even if a record lost its NUL.
void DrawWord(const WordRecord& record, const plat::Rect& rect, plat::Argb colour) {
    DrawItem(objects.wordFont, record.word, strnlen(record.word, kWordFieldSize), rect, kLeftTop, colour);
}
void DrawMeaning(const WordRecord& record, const plat::Rect& rect, unsigned format, plat::Argb colour) {
    DrawItem(objects.wordFont, record.meaning, strnlen(record.meaning, kWordFieldSize), rect, format, colour);
}

// The note a feature has for the practice word, right of it in the note
// font, as UTF-8. The word's width is measured once per word.
struct MeasuredWord {
    std::string word;
    int width = 0;
};
MeasuredWord measuredWord;

void DrawNote(const WordRecord& record, int scrollX, plat::Argb colour) {
    std::string_view note;
    if (!drawing || !hooks::practiceWordNote(record, note) || note.empty()) return;
    plat::CanvasDevice* device = objects.device;
    if (!objects.noteFont)
        objects.noteFont = device->CreateFont(kNoteFontSize.height, kNoteFontSize.width, 0, kNoteFontFace);
    if (!objects.noteFont || !objects.wordFont) return;
    const std::string_view word(record.word, strnlen(record.word, kWordFieldSize));
    if (word != measuredWord.word) {
        measuredWord.word = word;
        measuredWord.width = device->TextWidth(objects.wordFont, word.data(), static_cast<int>(word.size()), kLeftTop);
    }
    frame.AddText(objects.noteFont, note, noteRect(scrollX, measuredWord.width), kLeftTop | plat::DT_UTF8, colour);
}

// A device that lost its surface gets it back here, fonts and pictures
// kept, and the frame must be drawn anew.
bool BeginFrame() {
    plat::CanvasDevice* device = objects.device;
    if (!device) return false;
    if (device->TestCooperativeLevel() != plat::DeviceStatus::Ok) {
        shownValid = false;
        if (!device->Reset()) return false;
    }
    frame.Clear(drill.clearColour);
    return true;
}

// True when the frame was drawn, false when the one on screen stays.
bool EndFrame() {
    plat::CanvasDevice* device = objects.device;
    bool drawn = false;
    if (!drawing) {
        // Nothing to draw on: the state changes were all the frame had to do.
    } else if (shownValid && frame == shown) {
        device->KeepFrame();
    } else {
        drawn = true;
        device->Clear(frame.Background());
        device->BeginScene();
        frame.DrawOn(*device);
        device->EndScene();
        // A frame not shown is drawn again.
        shownValid = device->Present() == plat::DeviceStatus::Ok;
        std::swap(frame, shown);
    }
    drawing = false;
    return drawn;
}

// Draws the cell animFrame stands at, at (x, y), and moves on one frame.
// True when this frame completed the animation.
bool StepHitAnimation(float x, float y) {
    const int step = drill.animFrame;
    for (int i = 0; i < kAnimCellCount; ++i)
        if (drawing && step >= i * framesPerCell && step < (i + 1) * framesPerCell)
            frame.AddCell(objects.animTexture, animCells[i], x, y);
    const bool completed = step + 1 >= kAnimFrames;
    drill.animFrame = completed ? 0 : step + 1;
    return completed;
}

}  // namespace

void ResetFinishedTest() {
    drill.testFinished = 0;
    drill.sequentialCorrectF = 0.0f;
    drill.correctTotalF = 0.0f;
    drill.wrongCount = 0;
    drill.correctCount = 0;
    drill.resultText.Clear();
    drill.scoreText.Clear();
    drill.resultText.Set(texts::kResultPrefix);
    drill.correctText.Set("0");
    drill.wrongText.Set("0");
    drill.testScore = 0;
    drill.randomAnswered = 0;
}

namespace {

void DrawOptionLabels(plat::Argb labelColour) {
    if (drill.randomOrder == 0)
        DrawItem(objects.labelFont, texts::kFileOrder, orderLabelRect, kLeftTop, labelColour);
    else
        DrawItem(objects.labelFont, texts::kRandomOrder, orderLabelRect, kLeftTop, labelColour);
    if (drill.effectsOff == 0)
        DrawItem(objects.labelFont, texts::kEffectsOn, effectsLabelRect, kCentredTop, labelColour);
    else
        DrawItem(objects.labelFont, texts::kEffectsOff, effectsLabelRect, kCentredTop, labelColour);
}

// The entry each view showed at the last frame, so the features hear of a
// new one once (drill/feature_hooks.h). A word moved back further than a
// nudge started anew.
struct ShownEntry {
    const WordRecord* record = nullptr;
    int scrollX = 0;
};
ShownEntry shownPractice, shownTest;
constexpr int kNudge = 2;

void NoteShown(ShownEntry& shown, const WordRecord* record, int scrollX, hooks::Hook<void(const WordRecord&)>& hook) {
    if (record && (record != shown.record || scrollX < shown.scrollX - kNudge)) hook(*record);
    shown = {record, scrollX};
}

void DrawPracticeView(int scrollX, plat::Argb wordColour, plat::Argb labelColour) {
    const bool finished = drill.practiceFinished == 1;
    const WordRecord* shown = nullptr;
    if (!finished) {
        if (const WordRecord* record = CurrentEntry(drill.practiceIndex)) {
            DrawWord(*record, wordRect(scrollX), wordColour);
            DrawMeaning(*record, meaningRect(scrollX), kLeftTop, wordColour);
            DrawNote(*record, scrollX, labelColour);
            shown = record;
        }
    }
    NoteShown(shownPractice, shown, scrollX, hooks::practiceWordShown);
    if (drill.randomOrder == 0)
        DrawItem(objects.labelFont, drill.sequentialProgressText.Get(), progressRect, kRightTop, labelColour);
    else
        DrawItem(objects.labelFont, drill.randomProgressText.Get(), progressRect, kRightTop, labelColour);
    DrawItem(objects.labelFont, texts::kPracticeMode, modeLabelRect, kCentred, labelColour);
    if (finished) {
        drill.paused = 1;  // the end message holds the word until acknowledged
        DrawItem(objects.wordFont, texts::kPracticeFinished, messageRect, kCentred, wordColour);
    }
}

void DrawTestView(plat::Argb wordColour, plat::Argb labelColour) {
    DrawItem(objects.labelFont, texts::kTestMode, modeLabelRect, kCentred, labelColour);

    // The acquire pairs with the checker's release store: the result text
    // is complete whenever testFinished is seen as 1.
    if (drill.testFinished.load(std::memory_order_acquire) == 1 && drill.testHitAnim == 0) {
        DrawItem(objects.wordFont, drill.resultText.Get(), messageRect, kCentred, wordColour);
        if (drill.resultPending == 0) ResetFinishedTest();
    }
    // Read after the reset, so the resetting frame already asks the next word.
    const WordRecord* shown = nullptr;
    if (drill.testFinished == 0) {
        if (const WordRecord* record = CurrentEntry(drill.testIndex)) {
            DrawMeaning(*record, testMeaningRect, kCentred, wordColour);
            shown = record;
        }
    }
    NoteShown(shownTest, shown, 0, hooks::testEntryShown);
    DrawItem(objects.labelFont, texts::kCorrectLabel, correctLabelRect, kLeftTop, labelColour);
    DrawItem(objects.labelFont, texts::kWrongLabel, wrongLabelRect, kLeftTop, labelColour);
    DrawItem(objects.labelFont, drill.correctText.Get(), correctCountRect, kLeftTop, labelColour);
    DrawItem(objects.labelFont, drill.wrongText.Get(), wrongCountRect, kLeftTop, labelColour);

    if (drill.testHitAnim == 1 && drill.effectsOff == 0 && drill.hitAnimBlocked == 0) {
        if (StepHitAnimation(kTestHitX, kHitY)) drill.testHitAnim = 0;
    }
}

}  // namespace

void CanvasExposed() { shownValid = false; }

void UseCanvasDevice(plat::CanvasDevice* device) {
    objects = CanvasObjects{};
    measuredWord = {};
    shownValid = false;
    objects.device = device;
    if (!device) {
        NoteOnce(saidNoDevice,
                 "kestran: no drawing device for the canvas; the drill runs on without its picture\n");
        return;
    }
    objects.wordFont = device->CreateFont(kWordFontSize.height, kWordFontSize.width, 0, texts::kWordFontFace);
    objects.labelFont = device->CreateFont(kLabelFontSize.height, kLabelFontSize.width, 0, texts::kWordFontFace);
    objects.creditFont =
        device->CreateFont(kCreditFontSize.height, kCreditFontSize.width, 0, texts::kCreditFontFace);
    if (!objects.wordFont || !objects.labelFont || !objects.creditFont)
        NoteOnce(saidNoFont, "kestran: no font for the canvas text; the drill runs on without its words shown\n");
    objects.animTexture = LoadAnimTexture(device);
}

bool InitDirect3D(plat::Window canvas) {
    UseCanvasDevice(plat::CreateCanvasDevice(canvas));
    return objects.animTexture != nullptr;
}

bool RenderFrame() {
    drawing = BeginFrame();
    const int scrollX = drill.scrollX;
    const plat::Argb wordColour = drill.wordColour;
    const plat::Argb labelColour = drill.labelColour;

    if (drill.listLoaded == 0) {
        DrawItem(objects.creditFont, kCreditLine, messageRect, kCentred, wordColour);
    } else {
        DrawOptionLabels(labelColour);
        if (drill.testMode == 0)
            DrawPracticeView(scrollX, wordColour, labelColour);
        else
            DrawTestView(wordColour, labelColour);
    }
    // A view not drawn shows nothing: its entry is new again when it returns.
    if (drill.listLoaded == 0 || drill.testMode != 0) shownPractice = {};
    if (drill.listLoaded == 0 || drill.testMode == 0) shownTest = {};

    // Runs in either mode: a hit animation outlives a switch to the test.
    if (drill.practiceHitAnim == 1 && drill.effectsOff == 0 && drill.listLoaded == 1) {
        if (StepHitAnimation(static_cast<float>(drill.hitAnimX.load()), kHitY)) {
            drill.practiceHitAnim = 0;  // releases the ticker's wait
            drill.paused = 0;
        }
    }
    return EndFrame();
}

void RenderThreadMain() {
    // Made on first use rather than at load time: the backend must be in
    // place to make a brush.
    static const plat::Brush canvasBrush = plat::CreateSolidBrush(kCanvasBrushColour);

    const plat::Window canvasWindow = CreateChildWindow(canvasBrush, CanvasProc, "S", MainDialog,
                                                        plat::WS_CHILD | plat::WS_VISIBLE, kCanvasX, kCanvasY,
                                                        kCanvasWidth, kCanvasHeight);
    Canvas = canvasWindow;
    plat::ShowWindow(canvasWindow, plat::SW_SHOWNORMAL);
    InitDirect3D(canvasWindow);

    plat::Message message{};
    while (message.message != plat::WM_QUIT) {
        const std::uint64_t changes = DrillChangeCount();
        RenderFrame();
        if (plat::PeekMessage(message)) {
            plat::TranslateMessage(message);
            plat::DispatchMessage(message);
        }
        // A device that could not show the frame is tried again at the next refresh.
        WaitBeforeNextFrame(objects.device, changes, !shownValid);
    }
}

}  // namespace kestran
