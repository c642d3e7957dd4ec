// What a moving word costs the toolkit: only the changed pixels leave the
// drawing device, and they give the same picture as a full redraw; the
// toolkit's thread repaints once for any number of frames that came before
// it ran, and not at all for a frame like the one shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QWidget>

#include "platform/qt/qt_bridge.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_frame_diff.h"
#include "platform/qt/qt_window_system.h"
#include "platform/system_process.h"
#include "ui/canvas_layout.h"

namespace kestran::testing {
namespace {

using plat::qt::QtCanvasDevice;

const char kWordFace[] = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";
const char kApple[] = "apple";
const char kMeaning[] = "\xC6\xBB\xB9\xFB";  // 苹果

// One practice-like frame: labels that stay, the word at x, and a text
// running past its rectangle, so that the frame needs a clip.
void DrawFrame(QtCanvasDevice& device, plat::CanvasFontObject* font, int x, plat::Argb clear = 0xFF000020u) {
    device.Clear(clear);
    device.BeginScene();
    device.DrawText(font, "12/100", -1, plat::Rect{0, 56, 470, 75}, canvas::kRightTop, 0xFF80FF80u);
    device.DrawText(font, kApple, -1, plat::Rect{x, 16, 500, 82}, canvas::kLeftTop, 0xFFFFFFFFu);
    device.DrawText(font, kMeaning, -1, plat::Rect{x, 36, x + 12, 82}, canvas::kLeftTop, 0xFFFFFFFFu);
    device.EndScene();
    ASSERT_EQ(device.Present(), plat::DeviceStatus::Ok);
}

QImage FreshFrame(double ratio, int x, plat::Argb clear = 0xFF000020u) {
    QtCanvasDevice device(QSize(480, 75), 0, ratio);
    DrawFrame(device, device.CreateFont(21, 8, 0, kWordFace), x, clear);
    return device.LastFrame();
}

TEST(CanvasRepaintTest, ChangedPixelsCopiedOutOfOneDeviceEqualAFullRedraw) {
    for (double ratio : {1.0, 1.5}) {
        SCOPED_TRACE(ratio);
        // One device drawing frame after frame, as RenderThread does.
        QtCanvasDevice device(QSize(480, 75), 0, ratio);
        plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, kWordFace);
        DrawFrame(device, font, 100);
        QImage shown;
        const QRect first = plat::qt::ChangedArea(shown, device.LastFrame());
        plat::qt::CopyChangedArea(device.LastFrame(), first, shown);
        EXPECT_TRUE(first.contains(QRect(0, 0, 480, 75))) << "nothing shown yet: all of it";

        for (int x : {96, 92, 300}) {
            DrawFrame(device, font, x);
            const QImage next = device.LastFrame();
            const QRect area = plat::qt::ChangedArea(shown, next);
            EXPECT_LT(area.width(), 480) << "the labels did not move";
            plat::qt::CopyChangedArea(next, area, shown);
            // Nothing of the earlier frames (a clip, the old word) is left.
            EXPECT_EQ(shown, FreshFrame(ratio, x)) << x;
        }
        // The copy has pixels of its own: painting on does not reach it.
        const QImage before = shown.copy();
        DrawFrame(device, font, 10);
        EXPECT_EQ(shown, before);
    }
}

TEST(CanvasRepaintTest, AnotherSizeOrRatioIsCopiedWhole) {
    const QImage next = FreshFrame(1.5, 50);
    QImage shown = FreshFrame(1.0, 50);
    plat::qt::CopyChangedArea(next, QRect(0, 0, 4, 4), shown);
    EXPECT_EQ(shown, next);
    EXPECT_EQ(shown.devicePixelRatio(), 1.5);
}

TEST(CanvasRepaintTest, OnlyWhereTheFramesWereDrawnOnIsComparedYetTheFrameEqualsAFullRedraw) {
    for (double ratio : {1.0, 1.5}) {
        SCOPED_TRACE(ratio);
        QtCanvasDevice device(QSize(480, 75), 0, ratio);
        plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, kWordFace);
        DrawFrame(device, font, 100);
        QImage before = device.LastFrame().copy();
        // The word moves a pixel, jumps far (its old place must be cleared
        // too), stays, then the clear colour changes under everything.
        struct Step {
            int x;
            plat::Argb clear;
        };
        for (const Step step : {Step{99, 0xFF000020u}, Step{300, 0xFF000020u}, Step{300, 0xFF000020u},
                                Step{300, 0xFF203040u}, Step{40, 0xFF203040u}}) {
            SCOPED_TRACE(step.x);
            DrawFrame(device, font, step.x, step.clear);
            const QImage next = device.LastFrame();
            EXPECT_EQ(next, FreshFrame(ratio, step.x, step.clear));
            EXPECT_EQ(device.LastChangedArea(), plat::qt::ChangedArea(before, next)) << "the same as a whole compare";
            before = next.copy();
        }
    }
}

// A frame as a list of calls, drawn on any device.
struct Call {
    enum Kind { Text, Cell, TintedCell } kind;
    int x, y;
    const char* text = nullptr;
};

void DrawCalls(QtCanvasDevice& device, plat::CanvasFontObject* font, plat::CanvasTextureObject* strip,
               const std::vector<Call>& calls, bool clear = true) {
    if (clear) device.Clear(0xFF000020u);
    device.BeginScene();
    for (const Call& call : calls) {
        if (call.kind == Call::Text) {
            device.DrawText(font, call.text, -1, plat::Rect{call.x, call.y, call.x + 40, call.y + 30},
                            canvas::kLeftTop, 0xFFFFFFFFu);
        } else {
            device.SpriteBegin();
            device.SpriteDraw(strip, plat::Rect{38, 0, 76, 38}, static_cast<float>(call.x),
                              static_cast<float>(call.y), call.kind == Call::Cell ? 0xFFFFFFFFu : 0x80FF8080u);
            device.SpriteEnd();
        }
    }
    device.EndScene();
    ASSERT_EQ(device.Present(), plat::DeviceStatus::Ok);
}

QImage FreshCalls(double ratio, const std::vector<Call>& calls) {
    QtCanvasDevice device(QSize(480, 75), 0, ratio);
    plat::CanvasTextureObject* strip = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    DrawCalls(device, device.CreateFont(21, 8, 0, kWordFace), strip, calls);
    return device.LastFrame();
}

TEST(CanvasRepaintTest, FramesPaintedOnlyWhereTheirCallsChangedEqualFullRedraws) {
    const Call label{Call::Text, 0, 0, "12/100"};
    const Call word{Call::Text, 100, 20, kApple};
    // A call that overlaps the word, drawn over or under it.
    const Call over{Call::Text, 110, 25, "xx"};
    const Call cell{Call::Cell, 90, 10};
    const std::vector<std::vector<Call>> frames = {
        {label, word},
        {label, word, cell},                    // a call more: the burst starts
        {label, word, Call{Call::Cell, 91, 10}},  // it moves under nothing else
        {label, word, over},                    // the same count, another kind
        {label, over, word},                    // the same calls in another order
        {label, over, word, Call{Call::TintedCell, 100, 20}},
        {label, over, word, Call{Call::TintedCell, 100, 20}},  // a tinted cell is drawn again alike
        {word},                                 // calls fewer and shifted
        {},
        {label, word},
    };
    for (double ratio : {1.0, 1.5}) {
        SCOPED_TRACE(ratio);
        QtCanvasDevice device(QSize(480, 75), 0, ratio);
        plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, kWordFace);
        plat::CanvasTextureObject* strip = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
        ASSERT_NE(strip, nullptr);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE(i);
            DrawCalls(device, font, strip, frames[i]);
            EXPECT_EQ(device.LastFrame(), FreshCalls(ratio, frames[i]));
        }
        // Without a clear the calls go over what the buffer holds, as on a
        // device that drew only the frame before.
        const Call moved{Call::Text, 300, 20, kApple};
        DrawCalls(device, font, strip, {moved}, false);
        QtCanvasDevice fresh(QSize(480, 75), 0, ratio);
        plat::CanvasFontObject* freshFont = fresh.CreateFont(21, 8, 0, kWordFace);
        DrawCalls(fresh, freshFont, nullptr, frames.back());
        DrawCalls(fresh, freshFont, nullptr, {moved}, false);
        EXPECT_EQ(device.LastFrame(), fresh.LastFrame());
        EXPECT_NE(device.LastFrame(), FreshCalls(ratio, frames.back())) << "the new word is there";
        DrawCalls(device, font, strip, frames.back());
        EXPECT_EQ(device.LastFrame(), FreshCalls(ratio, frames.back())) << "and is cleared away after";
    }
}

TEST(CanvasRepaintTest, AFrameNotShownIsComparedWholeNextTime) {
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, kWordFace);
    DrawFrame(device, font, 100);
    // Drawn while the surface refused it: the word at 20 never reached the
    // screen, nor did the cleared place at 100.
    device.SetOffscreenPresentFails(true);
    device.Clear(0xFF000020u);
    device.BeginScene();
    device.DrawText(font, kApple, -1, plat::Rect{20, 16, 500, 82}, canvas::kLeftTop, 0xFFFFFFFFu);
    device.EndScene();
    EXPECT_NE(device.Present(), plat::DeviceStatus::Ok);
    device.SetOffscreenPresentFails(false);
    DrawFrame(device, font, 200);
    EXPECT_EQ(device.LastFrame(), FreshFrame(1.0, 200));
}

// Counts the canvas widget's paint events and what they covered.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

TEST(CanvasRepaintTest, TheToolkitRepaintsOnceForFramesThatCameMeanwhileAndNotForALikeOne) {
    static auto* windows = new plat::qt::QtWindowSystem();
    const plat::Services previous =
        plat::Install(plat::Services{windows, nullptr, nullptr, nullptr, &plat::SystemProcess()});
    plat::WindowClass canvasClass;
    canvasClass.className = "repaint test canvas";
    plat::RegisterClass(canvasClass);
    const plat::Window canvas = plat::CreateWindow("repaint test canvas", "", 0, 0, 0, 480, 75, nullptr);
    ASSERT_NE(canvas, nullptr);
    plat::ShowWindow(canvas, plat::SW_SHOWNORMAL);
    QWidget* widget = plat::qt::WidgetOf(canvas);
    ASSERT_NE(widget, nullptr);
    PaintCounter counter;
    widget->installEventFilter(&counter);

    ASSERT_TRUE(plat::qt::PresentFrame(canvas, FreshFrame(1.0, 100)));
    QApplication::processEvents();
    QApplication::processEvents();
    counter.paints = 0;
    counter.painted = QRegion();

    // A still canvas: nothing for the toolkit to do.
    ASSERT_TRUE(plat::qt::PresentFrame(canvas, FreshFrame(1.0, 100)));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    // Two frames before the toolkit's thread runs: one repaint covering
    // where the word was and both places it went to.
    ASSERT_TRUE(plat::qt::PresentFrame(canvas, FreshFrame(1.0, 200)));
    ASSERT_TRUE(plat::qt::PresentFrame(canvas, FreshFrame(1.0, 300)));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    for (int x : {100, 200, 300})
        EXPECT_TRUE(counter.painted.contains(QRect(x + 2, 20, 20, 10))) << "word at " << x;
    EXPECT_FALSE(counter.painted.contains(QRect(0, 0, 60, 10))) << "the top left never changed";

    widget->removeEventFilter(&counter);
    widget->hide();
    QApplication::processEvents();
    plat::Install(previous);
}

}  // namespace
}  // namespace kestran::testing
